#include "platform/VirtualTime.h"

#include <algorithm>
#include <utility>

namespace zarava {

struct VirtualTime::TimerState {
    int interval = 0;
    bool enabled = false;
    bool alive = true;
    std::int64_t due = 0;
    std::uint64_t seq = 0;        // arming order, breaks ties between timers due together
    std::uint64_t generation = 0; // bumped by every change, tells a handler's re-arm apart
    std::function<void()> tick;
};

class VirtualTime::TimerHandle final : public Timer {
public:
    TimerHandle(VirtualTime& owner, std::shared_ptr<TimerState> state)
        : owner_(owner), state_(std::move(state)) {}
    ~TimerHandle() override {
        state_->alive = false;
        state_->enabled = false;
    }
    void SetEnabled(bool enabled) override {
        if (enabled == state_->enabled) {
            return;
        }
        state_->enabled = enabled;
        ++state_->generation;
        if (enabled) {
            owner_.Arm(*state_);
        }
    }
    bool Enabled() const override { return state_->enabled; }
    void SetInterval(int milliseconds) override {
        state_->interval = milliseconds;
        ++state_->generation;
        if (state_->enabled) {
            owner_.Arm(*state_);
        }
    }
    int Interval() const override { return state_->interval; }

private:
    VirtualTime& owner_;
    std::shared_ptr<TimerState> state_;
};

VirtualTime::VirtualTime(LocalDateTime start) : wallBase_(start) {}

VirtualTime::~VirtualTime() = default;

std::unique_ptr<Timer> VirtualTime::CreateTimer(int intervalMs, bool enabled,
                                                std::function<void()> tick) {
    auto state = std::make_shared<TimerState>();
    state->interval = intervalMs;
    state->tick = std::move(tick);
    timers_.push_back(state);
    auto handle = std::make_unique<TimerHandle>(*this, state);
    handle->SetEnabled(enabled);
    return handle;
}

void VirtualTime::Post(std::function<void()> handler) {
    posted_.push_back({now_, ++seq_, std::move(handler)});
}

LocalDateTime VirtualTime::Now() const { return AddMilliseconds(wallBase_, now_ - wallBaseAt_); }

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

void VirtualTime::Arm(TimerState& t) {
    t.due = now_ + t.interval;
    t.seq = ++seq_;
}

void VirtualTime::AdvanceBy(std::int64_t milliseconds) {
    const std::int64_t limit = now_ + std::max<std::int64_t>(milliseconds, 0);
    while (RunNext(limit)) {
    }
    now_ = std::max(now_, limit);
}

bool VirtualTime::RunNext(std::int64_t limit) {
    std::erase_if(timers_, [](const auto& t) { return !t->alive; });

    // The earliest due event; among equals, the one armed or posted first.
    std::shared_ptr<TimerState> timer;
    for (const auto& t : timers_) {
        if (t->enabled && t->interval > 0 && t->due <= limit &&
            (!timer || t->due < timer->due || (t->due == timer->due && t->seq < timer->seq))) {
            timer = t;
        }
    }
    const bool postedFirst =
        !posted_.empty() && posted_.front().at <= limit &&
        (!timer || posted_.front().at < timer->due ||
         (posted_.front().at == timer->due && posted_.front().seq < timer->seq));

    if (postedFirst) {
        Posted p = std::move(posted_.front());
        posted_.pop_front();
        now_ = std::max(now_, p.at);
        p.handler();
    } else if (timer) {
        now_ = std::max(now_, timer->due);
        const std::int64_t due = timer->due;
        const std::uint64_t generation = timer->generation;
        auto tick = timer->tick; // the handler may destroy its own timer
        tick();
        if (timer->alive && timer->enabled && timer->generation == generation) {
            // Left running by its handler: periodic on its own phase; ticks missed while the
            // thread was busy collapse into the one that just ran.
            std::int64_t next = due + timer->interval;
            if (next <= now_) {
                next += ((now_ - next) / timer->interval + 1) * timer->interval;
            }
            timer->due = next;
            timer->seq = ++seq_;
        }
    } else {
        return false;
    }
    if (afterEach_) {
        afterEach_();
    }
    return true;
}

} // namespace zarava
