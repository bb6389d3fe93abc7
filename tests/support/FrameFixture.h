#pragma once

#include "OldFiles.h"
#include "QueueFiles.h"
#include "RecordingServices.h"
#include "StubHost.h"
#include "TempFolder.h"
#include "engine/VirtualTime.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/MainFrame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zarava::test {

// A program folder with a zarava.ini, virtual time, recording services and a recording host,
// for whole scenarios of the display.
class FrameFixture : public ::testing::Test {
protected:
    // As the issuer left it some time ago: a settings write builds on it at once.
    void WriteIni(const std::string& body) {
        temp_.Write("zarava.ini", body);
        MakeOld(temp_.File("zarava.ini"));
    }
    std::string Ini() const { return temp_.Read("zarava.ini"); }
    // The value of FORM as the file holds it.
    std::string Form() const {
        const std::string ini = Ini();
        const std::size_t at = ini.find("FORM=");
        return at == std::string::npos ? "" : ini.substr(at + 5, ini.find('\r', at) - at - 5);
    }
    // The issuer changes the value of a key in place (without our settings store).
    void SetIniLine(const std::string& key, const std::string& value) {
        std::string ini = Ini();
        ASSERT_NE(ini.find(key + "="), std::string::npos) << key << " is not in the file";
        const std::size_t at = ini.find(key + "=") + key.size() + 1;
        ini.replace(at, ini.find('\r', at) - at, value);
        WriteIni(ini);
    }

    // Runs a handler as the GUI's input does, and what follows of it.
    template <typename F> void Run(F handler) {
        time_.Post(handler);
        time_.RunPending();
    }

    void PassEnded() {
        Run([this] { display_->OnTickerNotification(TickerNotification::PassEnded); });
    }

    // Runs the load with the given command line; the display ends or keeps running. The host
    // forgets what an earlier start showed.
    MainFrame& Start(const std::string& commandLine) {
        display_.reset();
        host_.windows.clear();
        host_.windowOrder.clear();
        host_.frames.clear();
        host_.endedWith = -1;
        program_ = std::make_unique<Program>(
            Services{time_, time_, time_, host_, sound_, programs_}, folder_.string());
        display_ = std::make_unique<MainFrame>(*program_, NormaliseCommandLine(commandLine));
        time_.SetAfterEachHandler([this] {
            program_->PublishChanges();
            display_->PublishIfChanged();
        });
        time_.Post([this] { display_->Load(); });
        time_.RunPending();
        return *display_;
    }

    // Room numbers of the shown windows, in the order they were created (0 = the filler).
    std::vector<int> CreatedRooms() const {
        std::vector<int> rooms;
        for (int id : host_.windowOrder) {
            const WindowSnapshot& w = host_.windows.at(id);
            rooms.push_back(std::string(w.design->className) == "FillerWindow" ? 0 : RoomOf(w));
        }
        return rooms;
    }
    static int RoomOf(const WindowSnapshot& w) {
        // The rooms' titles in these tests are "R<n>".
        return std::stoi(StateOf(w, "xDazuzeLabel").caption.substr(1));
    }

    TempFolder temp_;
    std::filesystem::path folder_{temp_.Path()};
    VirtualTime time_{{2024, 1, 8, 9, 0, 0, 0}}; // a Monday
    StubHost host_;
    RecordingSound sound_;
    RecordingPrograms programs_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<MainFrame> display_;
};

} // namespace zarava::test
