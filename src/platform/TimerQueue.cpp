#include "platform/TimerQueue.h"

#include <algorithm>
#include <utility>

namespace zarava {

struct TimerQueue::TimerState {
    int interval = 0;
    bool enabled = false;
    bool alive = true;
    std::int64_t due = 0;
    std::uint64_t seq = 0;        // arming order, breaks ties between timers due together
    std::uint64_t generation = 0; // bumped by every change, tells a handler's re-arm apart
    std::function<void()> tick;
};

class TimerQueue::TimerHandle final : public Timer {
public:
    TimerHandle(TimerQueue& owner, std::shared_ptr<TimerState> state)
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
    TimerQueue& owner_;
    std::shared_ptr<TimerState> state_;
};

TimerQueue::TimerQueue(std::function<std::int64_t()> now) : now_(std::move(now)) {}

TimerQueue::~TimerQueue() = default;

std::unique_ptr<Timer> TimerQueue::CreateTimer(int intervalMs, bool enabled,
                                               std::function<void()> tick) {
    auto state = std::make_shared<TimerState>();
    state->interval = intervalMs;
    state->tick = std::move(tick);
    timers_.push_back(state);
    auto handle = std::make_unique<TimerHandle>(*this, state);
    handle->SetEnabled(enabled);
    return handle;
}

void TimerQueue::Post(std::function<void()> handler) {
    posted_.push_back({now_(), ++seq_, std::move(handler)});
}

void TimerQueue::Arm(TimerState& t) {
    t.due = now_() + t.interval;
    t.seq = ++seq_;
}

std::shared_ptr<TimerQueue::TimerState> TimerQueue::EarliestTimer(std::int64_t limit) {
    std::erase_if(timers_, [](const auto& t) { return !t->alive; });
    std::shared_ptr<TimerState> best;
    for (const auto& t : timers_) {
        if (t->enabled && t->interval > 0 && t->due <= limit &&
            (!best || t->due < best->due || (t->due == best->due && t->seq < best->seq))) {
            best = t;
        }
    }
    return best;
}

std::optional<std::int64_t> TimerQueue::NextDue() {
    std::optional<std::int64_t> next;
    if (!posted_.empty()) {
        next = posted_.front().at;
    }
    if (auto t = EarliestTimer(INT64_MAX)) {
        next = next ? std::min(*next, t->due) : t->due;
    }
    return next;
}

bool TimerQueue::RunNext(std::int64_t limit) {
    const std::shared_ptr<TimerState> timer = EarliestTimer(limit);
    const bool postedFirst =
        !posted_.empty() && posted_.front().at <= limit &&
        (!timer || posted_.front().at < timer->due ||
         (posted_.front().at == timer->due && posted_.front().seq < timer->seq));

    if (postedFirst) {
        Posted p = std::move(posted_.front());
        posted_.pop_front();
        p.handler();
        return true;
    }
    if (!timer) {
        return false;
    }
    const std::int64_t due = timer->due;
    const std::uint64_t generation = timer->generation;
    auto tick = timer->tick; // the handler may destroy its own timer
    tick();
    if (timer->alive && timer->enabled && timer->generation == generation) {
        // Left running by its handler: periodic on its own phase; ticks missed while the
        // thread was busy collapse into the one that just ran.
        std::int64_t next = due + timer->interval;
        const std::int64_t now = now_();
        if (next <= now) {
            next += ((now - next) / timer->interval + 1) * timer->interval;
        }
        timer->due = next;
        timer->seq = ++seq_;
    }
    return true;
}

} // namespace zarava
