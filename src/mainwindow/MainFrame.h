#pragma once

#include "engine/Scheduler.h"
#include "mainwindow/CloseWatchdog.h"
#include "ports/TickerNotification.h"
#include "window/ChildWindow.h"
#include "window/Program.h"
#include "window/TroubleLog.h"

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
    // The ticker's first tick comes one second after the load, the others every ten seconds.
    static constexpr int kTickerFirstMs = 1000;
    static constexpr int kTickerMs = 10000;
    // The ticker band's notifications.

    // The strands of the frame's own handlers and of the keyboard. The GUI posts into them, so
    // its side makes them before the engine runs.
    struct Strands {
        Strand window;
        Strand keys;
    };
    MainFrame(Program& program, std::string commandLine, Strands strands);
    MainFrame(Program& program, std::string commandLine)
        : MainFrame(program, std::move(commandLine),
                    {program.scheduler.NewStrand(), program.scheduler.NewStrand()}) {}
    ~MainFrame();

    // The load: runs once, when the program starts.
    void Load();

    // Closes the room windows, clears the running mark and ends the process. Exclusive: no
    // other handler may be in the middle of its work.
    void Unload(int exitCode = 0, std::string_view why = {});

    // Closes the display through its unload, as soon as no handler is in the middle of its
    // work (from any handler).
    void RequestClose();

    // The strand of the frame's own handlers (the watchdog, the ticker and its notifications).
    Strand WindowStrand() const { return windowStrand_; }
    // The ticker band's notifications.
    void OnTickerNotification(TickerNotification what);

    // The strand that takes the keyboard, in typing order.
    Strand KeyStrand() const { return keyStrand_; }
    // A key typed while the given window was the active one (the one last clicked); it goes
    // to that room window, else to the shown room with the lowest number.
    void OnKeyPress(int windowId, char32_t key);

    // Hands the frame's state to the screen when it changed (after every handler).
    void PublishIfChanged();

    const FrameSnapshot& Frame() const { return frame_; }
    bool Ended() const { return ended_; }

private:
    int ScreenMonitor(int wanted);
    void ShowChild(std::size_t slot, std::unique_ptr<ChildWindow> window);
    std::string StartLine(int roomCount) const;
    void AdvanceBlinkPhase();
    void TickerTick();

    Program& program_;
    const std::string commandLine_;
    FrameSnapshot frame_;
    std::optional<FrameSnapshot> published_;
    bool ended_ = false;

    const Strand windowStrand_;
    const Strand keyStrand_;
    std::unique_ptr<Timer> blinkPhaseTimer_;
    CloseWatchdog watchdog_;
    std::unique_ptr<Timer> tickerTimer_;
    bool tickerBusy_ = false;
    TroubleLog newsTrouble_{program_.log};
    std::array<bool, 7> roomShown_{}; // by room number, 1..6
    std::int16_t openRoomCount_ = 0;
    std::array<std::unique_ptr<ChildWindow>, 7> roomWindow_; // by room number; 0: the filler
};

} // namespace zarava
