#pragma once

#include "OldFiles.h"
#include "RecordingServices.h"
#include "StubHost.h"
#include "TempFolder.h"
#include "engine/VirtualTime.h"
#include "roomdisplay/RoomWindow.h"
#include "window/Program.h"

#include <cstddef>
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

// A control of a published window; one missing from the design throws, failing the test.
inline const ControlState& StateOf(const WindowSnapshot& s, const char* name, int index = -1) {
    return s.controls.at(static_cast<std::size_t>(s.design->Find(name, index)));
}

} // namespace zarava::test
