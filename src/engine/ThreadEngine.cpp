#include "engine/ThreadEngine.h"

#include <vector>

namespace zarava {

ThreadEngine::ThreadEngine(Clock& wallClock)
    : wallClock_(wallClock), start_(std::chrono::steady_clock::now()),
      dispatcher_([this] { return Elapsed(); }) {}

ThreadEngine::~ThreadEngine() {
    Stop();
}

std::int64_t ThreadEngine::Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

std::unique_ptr<Timer> ThreadEngine::CreateTimer(Strand strand, int intervalMs, bool enabled,
                                                 std::function<void()> tick) {
    return dispatcher_.CreateTimer(strand, intervalMs, enabled, std::move(tick));
}

void ThreadEngine::Post(Strand strand, std::function<void()> handler) {
    {
        std::lock_guard lock(mutex_);
        inbox_.emplace_back(strand, std::move(handler));
    }
    wake_.notify_one();
}

void ThreadEngine::Sleep(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    waited_ += milliseconds;
    if (!dispatcher_.WaitInHandler(milliseconds)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
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
    std::deque<std::pair<Strand, std::function<void()>>> arrived;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                break;
            }
            arrived.swap(inbox_);
        }
        for (auto& [strand, handler] : arrived) {
            dispatcher_.Post(strand, std::move(handler));
        }
        arrived.clear();

        const auto due = dispatcher_.NextDue();
        if (due && *due <= Elapsed()) {
            dispatcher_.RunNext(Elapsed());
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
    // Handlers in the middle of a wait finish now, so nothing is left half done.
    dispatcher_.FinishWaiting();
    if (afterEach_) {
        afterEach_();
    }
}

} // namespace zarava
