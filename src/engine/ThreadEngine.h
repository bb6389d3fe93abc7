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

namespace zarava {

// The production engine: a thread of its own runs every handler, one at a time and each to its
// end, with real timers. The GUI thread only posts input to it and the file work only posts
// what it found, so a settings retry or a stalled network share delays the file work but never
// the screen. It is also the program's clock: the time of day comes from the wall clock given,
// and a pause is a real one on whatever thread asks for it (the file work's, or the engine's
// during the start-up, whose file work is done in place).
class ThreadEngine final : public Scheduler, public Clock {
public:
    explicit ThreadEngine(Clock& wallClock);
    ~ThreadEngine() override;

    // Timers are made and changed by handlers, on the engine.
    std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled,
                                       std::function<void()> tick) override;
    // From any thread.
    void Post(std::function<void()> handler) override;

    LocalDateTime Now() const override { return wallClock_.Now(); }
    void Sleep(int milliseconds) override;

    // Total of the pauses asked for so far (the settings store's retries, the write-access
    // probe's wait), on every thread.
    std::int64_t Waited() const { return waited_.load(); }

    // Called on the engine thread after each handler; set before Start.
    void SetAfterEachHandler(std::function<void()> hook) { afterEach_ = std::move(hook); }

    void Start();
    // Ends the loop after the handler that runs now and waits for the thread. Not from a
    // handler.
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
    std::deque<std::function<void()>> inbox_; // guarded by mutex_
    bool stop_ = false;                       // guarded by mutex_

    Dispatcher dispatcher_; // engine thread only
    std::thread thread_;
};

} // namespace zarava
