#pragma once

#include "engine/Scheduler.h"
#include "infoband/NewsTicker.h"
#include "mainwindow/CloseWatchdog.h"
#include "ports/TickerNotification.h"
#include "window/ChildWindow.h"
#include "window/Program.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// The main window: the frame that fills one monitor, carries the ticker band and holds the
// room windows. Its load decides the monitor and the rooms and starts everything; its unload
// closes them and ends the program.
class MainFrame {
public:
    // The shared blink phase steps every 600 ms.
    static constexpr int kBlinkPhaseMs = 600;

    MainFrame(Program& program, std::string commandLine);
    ~MainFrame();

    // The load: runs once, when the program starts. Its file work is done in place.
    void Load();

    // Closes the room windows, clears the running mark and ends the process, once the file
    // work handed over before is done.
    void Unload(int exitCode = 0, std::string_view why = {});

    // Closes the display through its unload, after the handler that asks (from any handler).
    void RequestClose();

    // The ticker band's notifications.
    void OnTickerNotification(TickerNotification what);

    // A key typed while the given window was the active one (the one last clicked); it goes
    // to that room window, else to the shown room with the lowest number.
    void OnKeyPress(int windowId, char32_t key);

    // Hands the frame's state to the screen when it changed (after every handler).
    void PublishIfChanged();

    const FrameSnapshot& Frame() const { return frame_; }
    bool Ended() const { return ended_; }

private:
    // The start-up's steps, in their order.
    int RoomCount(SettingsSnapshot& settings) const;
    void ChooseRoomsAndMonitor(SettingsSnapshot& settings, int roomCount);
    bool FolderWritable();
    void ShowBandMessage(SettingsSnapshot& settings);
    void CreateWindows(SettingsSnapshot& settings);
    void StartRunning();

    int ScreenMonitor(int wanted);
    void ShowChild(std::size_t slot, std::unique_ptr<ChildWindow> window,
                   SettingsSnapshot& settings);
    std::string StartLine(int roomCount) const;
    void AdvanceBlinkPhase();
    void StartTickerPass(std::string line);

    Program& program_;
    const std::string commandLine_;
    const bool tolv_;
    FrameSnapshot frame_;
    std::optional<FrameSnapshot> published_;
    bool ended_ = false;

    std::unique_ptr<Timer> blinkPhaseTimer_;
    CloseWatchdog watchdog_;
    NewsTicker ticker_;
    bool roomsFromCommandLine_ = false;
    std::array<bool, 7> roomShown_{}; // by room number, 1..6
    std::int16_t openRoomCount_ = 0;
    std::array<std::unique_ptr<ChildWindow>, 7> roomWindow_; // by room number; 0: the filler
};

} // namespace zarava
