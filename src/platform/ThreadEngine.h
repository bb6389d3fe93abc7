#pragma once

#include "platform/Scheduler.h"
#include "platform/TimerQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zarava {

// The production engine: one thread of its own runs every handler, one at a time, with real
// timers. The GUI thread only posts input to it, so a settings retry or a stalled network share
// delays the next handler but never the screen.
class ThreadEngine final : public Scheduler {
public:
    ThreadEngine();
    ~ThreadEngine() override;

    // Timers are made and changed by handlers, on the engine thread.
    std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled,
                                       std::function<void()> tick) override;
    // From any thread.
    void Post(std::function<void()> handler) override;

    // Called on the engine thread after each handler; set before Start.
    void SetAfterEachHandler(std::function<void()> hook) { afterEach_ = std::move(hook); }

    void Start();
    // Ends the loop after the handler that runs now and waits for the thread. Not from a
    // handler.
    void Stop();

private:
    void Run();
    std::int64_t Now() const;

    const std::chrono::steady_clock::time_point start_;
    TimerQueue queue_; // engine thread only
    std::function<void()> afterEach_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> inbox_; // guarded by mutex_
    bool stop_ = false;                       // guarded by mutex_
    std::thread thread_;
};

} // namespace zarava
