#include "engine/ThreadEngine.h"

#include "engine/ThreadName.h"

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

std::unique_ptr<Timer> ThreadEngine::CreateTimer(int intervalMs, bool enabled,
                                                 std::function<void()> tick) {
    return dispatcher_.CreateTimer(intervalMs, enabled, std::move(tick));
}

void ThreadEngine::Post(std::function<void()> handler) {
    {
        std::lock_guard lock(mutex_);
        inbox_.push_back(std::move(handler));
    }
    wake_.notify_one();
}

void ThreadEngine::Sleep(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    waited_ += milliseconds;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void ThreadEngine::Start() {
    if (!thread_.joinable()) {
        thread_ = std::thread([this] {
            NameThisThread("engine");
            Run();
        });
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

// Each wake-up runs everything that has come in and everything due, then the thread sleeps
// until the next timer or the next post: nothing runs between ticks.
void ThreadEngine::Run() {
    std::deque<std::function<void()>> arrived;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                break;
            }
            arrived.swap(inbox_);
        }
        for (auto& handler : arrived) {
            dispatcher_.Post(std::move(handler));
        }
        arrived.clear();

        if (dispatcher_.RunNext(Elapsed())) {
            if (afterEach_) {
                afterEach_();
            }
            continue;
        }
        const auto due = dispatcher_.NextDue();
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
