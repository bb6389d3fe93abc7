#include "platform/ThreadEngine.h"

#include <vector>

namespace zarava {

ThreadEngine::ThreadEngine()
    : start_(std::chrono::steady_clock::now()), queue_([this] { return Now(); }) {}

ThreadEngine::~ThreadEngine() {
    Stop();
}

std::int64_t ThreadEngine::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

std::unique_ptr<Timer> ThreadEngine::CreateTimer(int intervalMs, bool enabled,
                                                 std::function<void()> tick) {
    return queue_.CreateTimer(intervalMs, enabled, std::move(tick));
}

void ThreadEngine::Post(std::function<void()> handler) {
    {
        std::lock_guard lock(mutex_);
        inbox_.push_back(std::move(handler));
    }
    wake_.notify_one();
}

void ThreadEngine::Start() {
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
}

void ThreadEngine::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

void ThreadEngine::Run() {
    std::vector<std::function<void()>> arrived;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            arrived.assign(std::make_move_iterator(inbox_.begin()),
                           std::make_move_iterator(inbox_.end()));
            inbox_.clear();
        }
        for (auto& handler : arrived) {
            queue_.Post(std::move(handler));
        }
        arrived.clear();

        const auto due = queue_.NextDue();
        if (due && *due <= Now()) {
            queue_.RunNext(Now());
            if (afterEach_) {
                afterEach_();
            }
            continue;
        }
        std::unique_lock lock(mutex_);
        const auto ready = [this] { return stop_ || !inbox_.empty(); };
        if (due) {
            wake_.wait_until(lock, start_ + std::chrono::milliseconds(*due), ready);
        } else {
            wake_.wait(lock, ready);
        }
    }
}

} // namespace zarava
