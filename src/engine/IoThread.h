#pragma once

#include "engine/IoWorker.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace zarava {

// The production I/O worker: one thread that does the submitted work in order and sleeps in
// between. However long a file call takes, work waits in the queue rather than on threads of
// its own: every handler has at most one gather outstanding, so the queue stays short.
class IoThread final : public IoWorker {
public:
    IoThread();
    // Does what is left (Finish), then ends the thread.
    ~IoThread() override;
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;

    void Submit(std::function<void()> work) override;
    void SubmitAfter(int milliseconds, std::function<void()> work) override;
    void Finish() override;

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    void Run();
    // The next work to do now, if any (under the lock).
    bool TakeNext(std::function<void()>& work);

    std::mutex mutex_;
    std::condition_variable wake_;            // new work, or the end
    std::condition_variable idle_;            // the queues ran empty
    std::deque<std::function<void()>> ready_; // guarded by mutex_
    std::multimap<std::pair<TimePoint, std::uint64_t>, std::function<void()>> later_; // ditto
    std::uint64_t laterSeq_ = 0; // guarded by mutex_
    int finishing_ = 0;          // callers of Finish waiting: delayed work is due at once; guarded
    bool busy_ = false;          // a piece of work is being done; guarded by mutex_
    bool stop_ = false;          // guarded by mutex_
    std::thread thread_;
};

} // namespace zarava
