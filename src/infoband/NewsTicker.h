#pragma once

#include "window/GatheredHandler.h"
#include "window/Program.h"
#include "window/TroubleLog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zarava {

// The clock and news ticker, the main window's third timer: one second after the start-up and
// then every ten seconds it builds the band's line afresh (the clock sentence, the band
// message and, with NEWS on, the day's news) and starts a pass with it, unless a pass still
// runs; with NEWS on, only a news file written today starts one. Its settings and the news
// file are read before each tick; a tick whose reading is overdue (a stalled share) goes on
// with what was read last, so the band keeps passing and its clock keeps time.
class NewsTicker {
public:
    static constexpr int kFirstTickMs = 1000;
    static constexpr int kTickMs = 10000;
    // A reading normally takes milliseconds; one that takes this long waits on a share.
    static constexpr int kOverdueMs = 1000;

    // `startPass` starts a pass of the band with the line (the ticker's Caption, Repeat and
    // StartAction); `closePending` tells whether the display is about to close, which ends the
    // ticks for good.
    NewsTicker(Program& program, std::function<void(std::string line)> startPass,
               std::function<bool()> closePending);

    // The ticks run from the frame's creation, the first a second after it; the start-up's end
    // only makes sure they do.
    void Start() { timer_->SetEnabled(true); }
    void Stop();
    // The band's end of a pass (its notification 11).
    void OnPassEnded() { tickerBusy_ = false; }

    // What a tick reads of the shared folder.
    struct Reading {
        std::string time;
        bool news = false;
        std::string message;
        double newsWritten = 0;                 // the news file's last write (0: none) ...
        std::optional<std::string> newsText;    // ... and its NewsText, when written today
        std::optional<std::string> newsTrouble; // what the read found wrong, when it read
    };

private:
    void Tick();
    void OnRead(Reading& reading);
    // The rest of the tick, with the freshest reading there is.
    void Go();

    Program& program_;
    const std::function<void(std::string)> startPass_;
    const std::function<bool()> closePending_;
    std::unique_ptr<Timer> timer_;
    std::unique_ptr<Timer> overdue_;
    GatheredHandler<Reading> read_;
    std::optional<Reading> known_; // the last reading that came in
    TroubleLog newsTrouble_;
    bool waiting_ = false;    // a tick waits for its reading
    bool tickerBusy_ = false; // a pass of ours runs
};

} // namespace zarava
