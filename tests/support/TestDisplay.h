#pragma once

#include "OldFiles.h"
#include "QueueFiles.h"
#include "RecordingServices.h"
#include "StubHost.h"
#include "TempFolder.h"
#include "engine/VirtualTime.h"
#include "roomdisplay/RoomWindow.h"
#include "window/Program.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace zarava::test {

// Surroundings for child windows: a program folder with the given zarava.ini (code page 932
// bytes), virtual time (the engine, the clock and the file work), recording services, and a
// host that records what is handed over after every handler.
class TestDisplay {
public:
    explicit TestDisplay(const std::string& ini)
        : program({time, time, time, host, sound, programs}, folder.Path()) {
        folder.Write("zarava.ini", ini);
        // Written long ago, as by an issuer that set the folder up: the display's first write
        // need not wait to see whether another program is still writing it.
        MakeOld(folder / "zarava.ini");
        program.OpenProgramFolder();
        time.SetAfterEachHandler([this] { program.PublishChanges(); });
    }

    // Shows a window the way the main window does: inside one handler.
    template <typename W, typename... Args> std::unique_ptr<W> Show(Args... args) {
        auto w = std::make_unique<W>(program, args...);
        program.Register(*w);
        Run([this, &w] {
            SettingsSnapshot settings = program.SettingsInPlace();
            w->Show(settings);
        });
        return w;
    }
    std::unique_ptr<RoomWindow> Room(int room) {
        return Show<RoomWindow>(static_cast<std::int16_t>(room));
    }

    template <typename F> void Run(F handler) {
        time.Post(handler);
        time.RunPending();
    }

    const WindowSnapshot& Published(const Window& w) const { return host.windows.at(w.Id()); }

    TempFolder folder;
    VirtualTime time;
    StubHost host;
    RecordingSound sound;
    RecordingPrograms programs;
    Program program;
};

// The settings of a room 1 that the tests change key by key.
struct RoomSettings {
    std::string today = "20240108";
    std::string msgType = "0"; // "-" leaves the key out, as for the counter and the time calc
    std::string counter = "番窓口";
    std::string mssg4 = "午前中の受付は終了致しました。";
    std::string mssg5 = "本日の受付は終了致しました。";
    std::string callSound = "0";
    std::string timeCalc = "1";

    std::string Ini() const {
        const auto line = [](const std::string& key, const std::string& value) {
            return value == "-" ? "" : key + "=" + value + "\r\n";
        };
        return Utf8ToCp932("[USER INFOMATION]\r\nFORM=1\r\nTODAY=" + today +
                           "\r\n[DISPLAY INFOMATION]\r\n" + line("COUNTER", counter) +
                           "1CALL SOUND=" + callSound + "\r\n" + line("MSG TYPE", msgType) +
                           "MSSG 4=" + mssg4 + "\r\nMSSG 5=" + mssg5 +
                           "\r\n[DAZUZE INFOMATION]\r\nDAZUZE1=R1\r\n" +
                           line("1TIME CALC", timeCalc) +
                           "[ZARAVA1 INFOMATION]\r\nSHOP COLOR=1\r\n"
                           "[DISPLAY INFOMATION]\r\nMESSAGE INFO=31\r\n")
            .value();
    }
};

// Room 1 following its queue file in the temp folder, with the settings in `settings`.
class RoomFixture : public ::testing::Test {
protected:
    RoomFixture() { std::filesystem::create_directory(d.folder / "temp"); }

    void Configure() { d.folder.Write("zarava.ini", settings.Ini()); }
    // The issuer rewrites the room's file for a day, stamped `at`.
    void Issue(const std::vector<Ticket>& tickets, const LocalDateTime& at,
               const std::string& today = "20240108") {
        const std::string name = "temp/" + today + "_1.tmp";
        d.folder.Write(name, QueueFile(tickets));
        ASSERT_TRUE(SetLastWrite(d.folder / name, at));
    }
    // Closes the room shown before, writes the settings and shows the room anew.
    void Load() {
        if (room) {
            d.Run([this] { room->CloseRoomWindow(); });
        }
        Configure();
        room = d.Room(1);
        loaded = d.time.Elapsed();
    }
    // Moves virtual time to `ms` after the end of the load.
    void At(std::int64_t ms) { d.time.AdvanceBy(loaded + ms - d.time.Elapsed()); }
    std::string Count() const { return WaitingCount(d.Published(*room)); }
    std::string CountAfter(std::int64_t ms) {
        d.time.AdvanceBy(ms);
        return Count();
    }
    std::string Shown() const { return CallArea(d.Published(*room)); }

    RoomSettings settings;
    TestDisplay d{""};
    std::unique_ptr<RoomWindow> room;
    std::int64_t loaded = 0;
};

} // namespace zarava::test
