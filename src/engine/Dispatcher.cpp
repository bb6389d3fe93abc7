#include "engine/Dispatcher.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace zarava {

namespace {
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
}

struct Dispatcher::TimerState {
    int interval = 0;
    bool enabled = false;
    bool alive = true;
    std::int64_t due = 0;
    std::uint64_t seq = 0;        // arming order, breaks ties between timers due together
    std::uint64_t generation = 0; // bumped by every change, tells a handler's re-arm apart
    std::function<void()> tick;
};

class Dispatcher::TimerHandle final : public Timer {
public:
    TimerHandle(Dispatcher& owner, std::shared_ptr<TimerState> state)
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
    Dispatcher& owner_;
    std::shared_ptr<TimerState> state_;
};

Dispatcher::Dispatcher(std::function<std::int64_t()> now) : now_(std::move(now)) {}

Dispatcher::~Dispatcher() = default;

std::unique_ptr<Timer> Dispatcher::CreateTimer(int intervalMs, bool enabled,
                                               std::function<void()> tick) {
    auto state = std::make_shared<TimerState>();
    state->interval = intervalMs;
    state->tick = std::move(tick);
    timers_.push_back(state);
    auto handle = std::make_unique<TimerHandle>(*this, state);
    handle->SetEnabled(enabled);
    return handle;
}

void Dispatcher::Post(std::function<void()> handler, std::int64_t delayMs) {
    posted_.push_back({now_() + std::max<std::int64_t>(delayMs, 0), ++seq_, std::move(handler)});
}

void Dispatcher::Arm(TimerState& t) {
    t.due = now_() + t.interval;
    t.seq = ++seq_;
}

std::optional<std::int64_t> Dispatcher::NextDue() const {
    std::int64_t next = kNever;
    for (const Posted& p : posted_) {
        next = std::min(next, p.at);
    }
    for (const auto& t : timers_) {
        if (t->enabled && t->interval > 0) {
            next = std::min(next, t->due);
        }
    }
    return next == kNever ? std::nullopt : std::optional<std::int64_t>(next);
}

bool Dispatcher::RunNext(std::int64_t limit) {
    std::erase_if(timers_, [](const auto& t) { return !t->alive; });
    // The earliest due, and among equals the first armed or posted.
    const auto earlier = [](std::int64_t at, std::uint64_t seq, std::int64_t bestAt,
                            std::uint64_t bestSeq) {
        return at != bestAt ? at < bestAt : seq < bestSeq;
    };
    std::int64_t bestAt = kNever;
    std::uint64_t bestSeq = 0;
    std::shared_ptr<TimerState> timer;
    std::deque<Posted>::iterator post = posted_.end();
    for (auto p = posted_.begin(); p != posted_.end(); ++p) {
        if (p->at <= limit && earlier(p->at, p->seq, bestAt, bestSeq)) {
            bestAt = p->at;
            bestSeq = p->seq;
            post = p;
        }
    }
    for (const auto& t : timers_) {
        if (t->enabled && t->interval > 0 && t->due <= limit &&
            earlier(t->due, t->seq, bestAt, bestSeq)) {
            bestAt = t->due;
            bestSeq = t->seq;
            timer = t;
        }
    }
    if (timer) {
        RunTick(timer);
        return true;
    }
    if (post == posted_.end()) {
        return false;
    }
    std::function<void()> handler = std::move(post->handler);
    posted_.erase(post);
    handler();
    return true;
}

void Dispatcher::RunTick(const std::shared_ptr<TimerState>& timer) {
    const std::int64_t due = timer->due;
    const std::uint64_t generation = timer->generation;
    // Until its tick has ended the timer is not due again. The state is held here: the tick
    // may destroy its own timer's handle.
    timer->due = kNever;
    const std::shared_ptr<TimerState> keep = timer;
    keep->tick();
    if (!keep->alive || !keep->enabled || keep->generation != generation) {
        return; // stopped, or re-armed by a handler: it counts from that moment
    }
    // Left running by its handler: periodic on its own phase; ticks missed while the engine
    // was busy collapse into the one that just ran.
    std::int64_t next = due + keep->interval;
    const std::int64_t now = now_();
    if (next <= now) {
        next += ((now - next) / keep->interval + 1) * keep->interval;
    }
    keep->due = next;
    keep->seq = ++seq_;
}

} // namespace zarava
