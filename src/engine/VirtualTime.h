#pragma once

#include "engine/Clock.h"
#include "engine/Dispatcher.h"
#include "engine/Scheduler.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace zarava {

// Scheduler and clock for tests and benchmarks: time moves only when the test says so. A
// handler's Sleep lets other strands run meanwhile, as on the real engine; a Sleep outside any
// handler simply moves the time on. A whole clinic day runs in milliseconds. Call everything
// from one thread (the handlers call in while they run).
class VirtualTime final : public Scheduler, public Clock {
public:
    explicit VirtualTime(LocalDateTime start = {2024, 1, 8, 9, 0, 0, 0});

    Strand NewStrand() override { return dispatcher_.NewStrand(); }
    std::unique_ptr<Timer> CreateTimer(Strand strand, int intervalMs, bool enabled,
                                       std::function<void()> tick) override;
    void Post(Strand strand, std::function<void()> handler) override;
    using Scheduler::Post;

    LocalDateTime Now() const override;
    void Sleep(int milliseconds) override;

    // Runs every handler due up to now + ms, in order, then sets the time to now + ms.
    void AdvanceBy(std::int64_t milliseconds);
    // Runs the posted handlers and the timers due now, and lets time go on just as far as the
    // handlers that wait need to end (with whatever falls due meanwhile).
    void RunPending();
    // Moves the wall clock to another local time without running anything (a new day, say).
    void SetWallClock(LocalDateTime t);

    // Milliseconds of virtual time since the start.
    std::int64_t Elapsed() const { return now_; }
    // Total of all Sleep calls so far.
    std::int64_t Slept() const { return slept_; }

    // Called after each handler, and whenever a handler waits (the production engine hands the
    // windows' changes to the screen there).
    void SetAfterEachHandler(std::function<void()> hook) { afterEach_ = std::move(hook); }

private:
    std::int64_t now_ = 0;
    std::int64_t slept_ = 0;
    LocalDateTime wallBase_;
    std::int64_t wallBaseAt_ = 0;
    std::function<void()> afterEach_;
    Dispatcher dispatcher_; // last: its workers end before the rest goes
};

} // namespace zarava
