#pragma once

#include "platform/Clock.h"
#include "platform/Scheduler.h"
#include "platform/TimerQueue.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace zarava {

// Scheduler and clock for tests and benchmarks: time moves only when the test says so, and a
// handler's Sleep moves it too (the other timers then run late, as on a busy real thread).
// A whole clinic day runs in milliseconds. Single-threaded: call everything from one thread.
class VirtualTime final : public Scheduler, public Clock {
public:
    explicit VirtualTime(LocalDateTime start = {2024, 1, 8, 9, 0, 0, 0});

    std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled,
                                       std::function<void()> tick) override;
    void Post(std::function<void()> handler) override;

    LocalDateTime Now() const override;
    void Sleep(int milliseconds) override;

    // Runs every handler due up to now + ms, in order, then sets the time to now + ms.
    void AdvanceBy(std::int64_t milliseconds);
    // Runs the posted handlers and the timers due now.
    void RunPending() { AdvanceBy(0); }
    // Moves the wall clock to another local time without running anything (a new day, say).
    void SetWallClock(LocalDateTime t);

    // Milliseconds of virtual time since the start.
    std::int64_t Elapsed() const { return now_; }
    // Total of all Sleep calls so far.
    std::int64_t Slept() const { return slept_; }

    // Called after each handler (the production engine publishes the windows' state there).
    void SetAfterEachHandler(std::function<void()> hook) { afterEach_ = std::move(hook); }

private:
    std::int64_t now_ = 0;
    std::int64_t slept_ = 0;
    LocalDateTime wallBase_;
    std::int64_t wallBaseAt_ = 0;
    TimerQueue queue_;
    std::function<void()> afterEach_;
};

} // namespace zarava
