#include "engine/IoThread.h"

#include "engine/ThreadName.h"

namespace zarava {

IoThread::IoThread()
    : thread_([this] {
          NameThisThread("file work");
          Run();
      }) {}

IoThread::~IoThread() {
    Finish();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void IoThread::Submit(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        ready_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void IoThread::SubmitAfter(int milliseconds, std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        const TimePoint at =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        later_.emplace(std::make_pair(at, ++laterSeq_), std::move(work));
    }
    wake_.notify_one();
}

void IoThread::Finish() {
    std::unique_lock lock(mutex_);
    ++finishing_;
    wake_.notify_one();
    idle_.wait(lock, [this] { return ready_.empty() && later_.empty() && !busy_; });
    --finishing_;
}

bool IoThread::TakeNext(std::function<void()>& work) {
    if (!later_.empty() &&
        (finishing_ > 0 || later_.begin()->first.first <= std::chrono::steady_clock::now())) {
        // Delayed work that is due goes after what was ready before it came due.
        ready_.push_back(std::move(later_.begin()->second));
        later_.erase(later_.begin());
    }
    if (ready_.empty()) {
        return false;
    }
    work = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

void IoThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        std::function<void()> work;
        if (TakeNext(work)) {
            busy_ = true;
            lock.unlock();
            work();
            work = nullptr; // what the work held goes before the queue is looked at again
            lock.lock();
            busy_ = false;
            continue;
        }
        idle_.notify_all();
        if (stop_) {
            return;
        }
        if (later_.empty()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, later_.begin()->first.first);
        }
    }
}

} // namespace zarava
