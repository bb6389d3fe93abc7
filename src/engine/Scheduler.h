#pragma once

#include <functional>
#include <memory>

namespace zarava {

// A window timer as the handlers see it: an interval and an enabled flag. Enabling a disabled
// timer, or changing the interval of an enabled one, starts the count from that moment, so a
// handler that disables its own timer first and enables it again at its end gets its next tick
// one interval after its own end. A timer left enabled ticks every interval; one that falls
// behind (its handler ran long) ticks once as soon as it can, never in a burst. An interval of
// 0 never ticks. Destroying the handle stops the timer.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
};

// A line of handlers that never interleave: each runs to its end before the next of its strand
// starts, in the order they became due. While a handler waits (the settings store's retry
// pause), handlers of other strands run. The exclusive strand runs alone: its handlers wait
// until no handler of any strand is in the middle of its work, and nothing else starts until
// they end; loads, unloads and closes run there, as they create and destroy what the others
// use.
struct Strand {
    int id = 0;

    static constexpr Strand Exclusive() { return {0}; }
    bool IsExclusive() const { return id == 0; }
    friend bool operator==(Strand, Strand) = default;
};

// Runs every handler of the display on one engine, one at a time: only one handler runs at any
// moment, so they share the windows' state without locks. Timers due at the same moment tick
// in the order they were armed; handlers posted run in the order posted.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    // A new strand for a set of handlers that must not interleave (one window's handlers
    // that read settings, say).
    virtual Strand NewStrand() = 0;

    virtual std::unique_ptr<Timer> CreateTimer(Strand strand, int intervalMs, bool enabled,
                                               std::function<void()> tick) = 0;

    // Queues a handler to run after the current one: input from the GUI, a deferred step.
    virtual void Post(Strand strand, std::function<void()> handler) = 0;
    void Post(std::function<void()> handler) { Post(Strand::Exclusive(), std::move(handler)); }
};

} // namespace zarava
