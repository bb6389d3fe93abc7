#include "engine/VirtualTime.h"

#include <algorithm>
#include <utility>

namespace zarava {

VirtualTime::VirtualTime(LocalDateTime start)
    : wallBase_(start), dispatcher_([this] { return now_; }) {}

std::unique_ptr<Timer> VirtualTime::CreateTimer(Strand strand, int intervalMs, bool enabled,
                                                std::function<void()> tick) {
    return dispatcher_.CreateTimer(strand, intervalMs, enabled, std::move(tick));
}

void VirtualTime::Post(Strand strand, std::function<void()> handler) {
    dispatcher_.Post(strand, std::move(handler));
}

LocalDateTime VirtualTime::Now() const {
    return AddMilliseconds(wallBase_, now_ - wallBaseAt_);
}

void VirtualTime::Sleep(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    slept_ += milliseconds;
    if (!dispatcher_.WaitInHandler(milliseconds)) {
        now_ += milliseconds;
    }
}

void VirtualTime::RunPending() {
    AdvanceBy(0);
    while (dispatcher_.HasWaiting()) {
        const auto due = dispatcher_.NextDue();
        AdvanceBy(due ? std::max<std::int64_t>(*due - now_, 0) : 0);
    }
}

void VirtualTime::SetWallClock(LocalDateTime t) {
    wallBase_ = t;
    wallBaseAt_ = now_;
}

void VirtualTime::AdvanceBy(std::int64_t milliseconds) {
    const std::int64_t limit = now_ + std::max<std::int64_t>(milliseconds, 0);
    for (;;) {
        const auto due = dispatcher_.NextDue();
        if (!due || *due > limit) {
            break;
        }
        now_ = std::max(now_, *due);
        dispatcher_.RunNext(now_);
        if (afterEach_) {
            afterEach_();
        }
    }
    now_ = std::max(now_, limit);
}

} // namespace zarava
