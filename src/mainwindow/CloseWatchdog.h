#pragma once

#include "engine/Scheduler.h"
#include "window/GatheredHandler.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace zarava {

class Program;

// Keeps the display running exactly as long as the issuer's programs run: every 2 s it looks
// at the issuer bits of FORM and keeps the display's running mark set (another copy that ended
// may have cleared it). When it finds both issuer bits clear it does not close at once but
// looks again one second later, and closes only if they are still clear; meanwhile the close
// is pending (the blink phase stands still). The first look comes 10 s after the start-up.
// While a stalled share holds its reading of FORM nothing is decided: the display stays.
class CloseWatchdog {
public:
    static constexpr int kFirstPassMs = 10000;
    static constexpr int kPassMs = 2000;
    static constexpr int kConfirmMs = 1000;

    // `close` is called from the watchdog's handler when the display must close.
    CloseWatchdog(Program& program, std::function<void()> close);

    void Start();
    void Stop();
    bool ClosePending() const { return closePending_; }

private:
    void Pass();
    void OnForm(std::int64_t form, FileWork& work);

    Program& program_;
    std::function<void()> close_;
    std::unique_ptr<Timer> timer_;
    GatheredHandler<std::int64_t> read_;
    bool closePending_ = false;
};

} // namespace zarava
