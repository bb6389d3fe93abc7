#pragma once

#include <functional>
#include <memory>

namespace zarava {

// A window timer as the handlers see it: an interval and an enabled flag. Enabling a disabled
// timer, or changing the interval of an enabled one, starts the count from that moment, so a
// handler that disables its own timer first and enables it again at its end gets its next tick
// one interval after its own end. A timer left enabled ticks every interval; one that falls
// behind (the engine was busy) ticks once as soon as it can, never in a burst. An interval of
// 0 never ticks. Destroying the handle stops the timer.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
};

// Runs every handler of the display on one engine, one at a time and each to its end, so they
// share the windows' state without locks and no handler ever sees another half done. Handlers
// never wait: what they need of the shared folder is read before they start and what they
// write is written after they end (IoWorker). Timers due at the same moment tick in the order
// they were armed; handlers posted run in the order posted.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    virtual std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled,
                                               std::function<void()> tick) = 0;

    // Queues a handler to run after the current one: input from the GUI, what the file work
    // found. From any thread.
    virtual void Post(std::function<void()> handler) = 0;
};

} // namespace zarava
