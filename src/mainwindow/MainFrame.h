#pragma once

#include "window/ChildWindow.h"
#include "window/Program.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zarava {

// The main window: the frame that fills one monitor, carries the ticker band and holds the
// room windows. Its load decides the monitor and the rooms and starts everything; its unload
// closes them and ends the program.
class MainFrame {
public:
    MainFrame(Program& program, std::string commandLine);
    ~MainFrame();

    // The load: runs once, when the program starts.
    void Load();

    // Closes the room windows, clears the running mark and ends the process.
    void Unload(int exitCode = 0);

    // The ticker band's notifications: 10 closes the display, 11 ends a pass.
    void OnTickerNotification(int code);

    // The window system asks the frame to close.
    void OnCloseRequest() { Unload(); }

    // Hands the frame's state to the screen when it changed (after every handler).
    void PublishIfChanged();

    const FrameSnapshot& Frame() const { return frame_; }
    bool Ended() const { return ended_; }

private:
    int ScreenMonitor(int wanted);
    void ShowChild(std::size_t slot, std::unique_ptr<ChildWindow> window);

    Program& program_;
    const std::string commandLine_;
    FrameSnapshot frame_;
    std::optional<FrameSnapshot> published_;
    bool ended_ = false;

    bool closePending_ = false;
    bool tickerBusy_ = false;
    std::array<bool, 7> roomShown_{}; // by room number, 1..6
    std::int16_t openRoomCount_ = 0;
    std::array<std::unique_ptr<ChildWindow>, 7> roomWindow_; // by room number; 0: the filler
};

} // namespace zarava
