#pragma once

#include "engine/Scheduler.h"

#include <functional>
#include <memory>

namespace zarava {

class Program;

// Keeps the display running exactly as long as the issuer's programs run: every 2 s it looks
// at the issuer bits of FORM and keeps the display's running mark set (another copy that ended
// may have cleared it). When it finds both issuer bits clear it does not close at once but
// looks again one second later, and closes only if they are still clear; meanwhile the close
// is pending (the blink phase stands still). The first look comes 10 s after the start-up.
class CloseWatchdog {
public:
    static constexpr int kFirstPassMs = 10000;
    static constexpr int kPassMs = 2000;
    static constexpr int kConfirmMs = 1000;

    // `close` is called from the watchdog's handler when the display must close.
    CloseWatchdog(Program& program, Strand strand, std::function<void()> close);

    void Start() { timer_->SetEnabled(true); }
    void Stop() { timer_->SetEnabled(false); }
    bool ClosePending() const { return closePending_; }

private:
    void Pass();

    Program& program_;
    std::function<void()> close_;
    std::unique_ptr<Timer> timer_;
    bool closePending_ = false;
};

} // namespace zarava
