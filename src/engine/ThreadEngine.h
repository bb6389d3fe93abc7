#pragma once

#include "engine/Clock.h"
#include "engine/Dispatcher.h"
#include "engine/Scheduler.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace zarava {

// The production engine: a thread of its own runs every handler, one at a time, with real
// timers. The GUI thread only posts input to it, so a settings retry or a stalled network share
// delays handlers but never the screen. It is also the handlers' clock: the time of day comes
// from the wall clock given, and a handler's Sleep lets the other strands run meanwhile.
class ThreadEngine final : public Scheduler, public Clock {
public:
    explicit ThreadEngine(Clock& wallClock);
    ~ThreadEngine() override;

    // Strands, timers and their changes are made by handlers, on the engine.
    Strand NewStrand() override { return dispatcher_.NewStrand(); }
    std::unique_ptr<Timer> CreateTimer(Strand strand, int intervalMs, bool enabled,
                                       std::function<void()> tick) override;
    // From any thread.
    void Post(Strand strand, std::function<void()> handler) override;
    using Scheduler::Post;

    LocalDateTime Now() const override { return wallClock_.Now(); }
    // In a handler: the other strands run meanwhile. Anywhere else: a plain pause.
    void Sleep(int milliseconds) override;

    // Total of the pauses handlers asked for so far (the settings store's retries, say).
    std::int64_t Waited() const { return waited_.load(); }

    // Called on the engine thread after each handler and whenever a handler waits; set
    // before Start.
    void SetAfterEachHandler(std::function<void()> hook) { afterEach_ = std::move(hook); }

    void Start();
    // Ends the loop after the handler that runs now, lets waiting handlers finish at once, and
    // waits for the thread. Not from a handler.
    void Stop();

private:
    void Run();
    std::int64_t Elapsed() const;

    Clock& wallClock_;
    std::atomic<std::int64_t> waited_{0};
    const std::chrono::steady_clock::time_point start_;
    std::function<void()> afterEach_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<Strand, std::function<void()>>> inbox_; // guarded by mutex_
    bool stop_ = false;                                          // guarded by mutex_

    Dispatcher dispatcher_; // engine thread only
    std::thread thread_;
};

} // namespace zarava
