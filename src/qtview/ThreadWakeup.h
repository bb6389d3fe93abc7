#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace zarava {

// Wakes the event loop of the thread that made it, from any thread, and runs `onWake` there
// (once for any number of wake-ups since the last run). Through an eventfd rather than Qt's
// queued calls, so that the hand-over is visible to the thread checker, which does not see
// inside Qt's own locks.
class ThreadWakeup {
public:
    explicit ThreadWakeup(std::function<void()> onWake);
    // On the thread that made it, once no other thread wakes it any more.
    ~ThreadWakeup();
    ThreadWakeup(const ThreadWakeup&) = delete;
    ThreadWakeup& operator=(const ThreadWakeup&) = delete;

    void Wake();

private:
    int fd_ = -1;
    std::function<void()> onWake_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace zarava
