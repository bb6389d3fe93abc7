#pragma once

#include "mainwindow/ChildWindow.h"
#include "mainwindow/Context.h"
#include "platform/Host.h"
#include "platform/Scheduler.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarava {

// The main window: the frame that fills one monitor, carries the ticker band and holds the
// room windows. Its load decides the monitor and the rooms and starts everything.
class Dazuze_Display {
public:
    Dazuze_Display(Context& ctx, std::string commandLine);
    ~Dazuze_Display();

    // The load: runs once, on the engine thread, when the program starts.
    void Load();

    // Closes the room windows, clears the running mark and ends the process.
    void Unload(int exitCode = 0);

    // The ticker band's notifications: 10 closes the display, 11 ends a pass.
    void OnTickerNotification(int code);

    // The window system asks the frame to close.
    void OnCloseRequest() { Unload(); }

    // Starts one ticker pass with the given text.
    void StartTickerPass(const std::string& caption);

    const FrameSnapshot& Frame() const { return frame_; }
    bool Ended() const { return ended_; }

    // Fields of the main window.
    bool ClosePending = false;
    bool TickerBusy = false;
    std::array<bool, 7> RoomShown{};
    std::int16_t OpenRoomCount = 0;

    // Publishes the frame's state when it changed (after every handler).
    void PublishIfChanged();

private:
    int ScreenMonitor(int wanted);

    Context& ctx_;
    std::string commandLine_;
    FrameSnapshot frame_;
    std::optional<FrameSnapshot> published_;
    bool ended_ = false;
    std::array<std::unique_ptr<ChildWindow>, 7> roomWindow_; // 0: the filler
    std::unique_ptr<Timer> timer1_;
    std::unique_ptr<Timer> timer2_;
    std::unique_ptr<Timer> timer3_;
};

} // namespace zarava
