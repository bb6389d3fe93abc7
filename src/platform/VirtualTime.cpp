#include "platform/VirtualTime.h"

#include <algorithm>
#include <utility>

namespace zarava {

VirtualTime::VirtualTime(LocalDateTime start) : wallBase_(start), queue_([this] { return now_; }) {}

std::unique_ptr<Timer> VirtualTime::CreateTimer(int intervalMs, bool enabled,
                                                std::function<void()> tick) {
    return queue_.CreateTimer(intervalMs, enabled, std::move(tick));
}

void VirtualTime::Post(std::function<void()> handler) {
    queue_.Post(std::move(handler));
}

LocalDateTime VirtualTime::Now() const {
    return AddMilliseconds(wallBase_, now_ - wallBaseAt_);
}

void VirtualTime::Sleep(int milliseconds) {
    if (milliseconds > 0) {
        now_ += milliseconds;
        slept_ += milliseconds;
    }
}

void VirtualTime::SetWallClock(LocalDateTime t) {
    wallBase_ = t;
    wallBaseAt_ = now_;
}

void VirtualTime::AdvanceBy(std::int64_t milliseconds) {
    const std::int64_t limit = now_ + std::max<std::int64_t>(milliseconds, 0);
    for (;;) {
        const auto due = queue_.NextDue();
        if (!due || *due > limit) {
            break;
        }
        now_ = std::max(now_, *due);
        queue_.RunNext(now_);
        if (afterEach_) {
            afterEach_();
        }
    }
    now_ = std::max(now_, limit);
}

} // namespace zarava
