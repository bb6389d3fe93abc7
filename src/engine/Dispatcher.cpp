#include "engine/Dispatcher.h"

#include <algorithm>
#include <limits>
#include <thread>
#include <utility>

namespace zarava {

struct Dispatcher::TimerState {
    Strand strand;
    int interval = 0;
    bool enabled = false;
    bool alive = true;
    std::int64_t due = 0;
    std::uint64_t seq = 0;        // arming order, breaks ties between timers due together
    std::uint64_t generation = 0; // bumped by every change, tells a handler's re-arm apart
    std::function<void()> tick;
};

struct Dispatcher::Worker {
    Dispatcher* owner = nullptr;
    std::thread thread;
    std::condition_variable turn; // signalled when hasTurn or quit is set
    bool hasTurn = false;
    bool quit = false;
    bool waiting = false; // gave the turn back in the middle of its handler
    Strand strand;
    std::function<void()> job;
    std::function<void()> onFinish; // on the owner's thread, once the handler has ended
};

thread_local Dispatcher::Worker* Dispatcher::currentWorker_ = nullptr;

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

Dispatcher::~Dispatcher() {
    abandoning_ = true;
    while (!waiting_.empty()) {
        Worker& worker = *waiting_.front().worker;
        waiting_.erase(waiting_.begin());
        Resume(worker);
    }
    {
        std::lock_guard lock(mutex_);
        for (auto& w : workers_) {
            w->quit = true;
            w->turn.notify_one();
        }
    }
    for (auto& w : workers_) {
        w->thread.join();
    }
}

Strand Dispatcher::NewStrand() {
    return {++lastStrand_};
}

std::unique_ptr<Timer> Dispatcher::CreateTimer(Strand strand, int intervalMs, bool enabled,
                                               std::function<void()> tick) {
    auto state = std::make_shared<TimerState>();
    state->strand = strand;
    state->interval = intervalMs;
    state->tick = std::move(tick);
    timers_.push_back(state);
    auto handle = std::make_unique<TimerHandle>(*this, state);
    handle->SetEnabled(enabled);
    return handle;
}

void Dispatcher::Post(Strand strand, std::function<void()> handler) {
    posted_.push_back({now_(), ++seq_, strand, std::move(handler)});
}

void Dispatcher::Arm(TimerState& t) {
    t.due = now_() + t.interval;
    t.seq = ++seq_;
}

// The next thing to run: candidates in order of due time and sequence, the first one allowed.
// A waiting handler may always go on. Nothing new starts while an exclusive handler is in the
// middle of its work, and once an exclusive handler is due, nothing new starts after it in
// the order, so the strands drain and it gets its turn.
std::optional<Dispatcher::Candidate> Dispatcher::Pick(std::int64_t limit) {
    std::erase_if(timers_, [](const auto& t) { return !t->alive; });
    std::vector<Candidate> due;
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        if (waiting_[i].due <= limit) {
            due.push_back({Kind::Waiting, waiting_[i].due, waiting_[i].seq, {}, i});
        }
    }
    for (std::size_t i = 0; i < posted_.size(); ++i) {
        if (posted_[i].at <= limit) {
            due.push_back({Kind::Posted, posted_[i].at, posted_[i].seq, posted_[i].strand, i});
        }
    }
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        const TimerState& t = *timers_[i];
        if (t.enabled && t.interval > 0 && t.due <= limit) {
            due.push_back({Kind::Timer, t.due, t.seq, t.strand, i});
        }
    }
    std::sort(due.begin(), due.end(), [](const Candidate& a, const Candidate& b) {
        return a.due != b.due ? a.due < b.due : a.seq < b.seq;
    });
    const bool exclusiveBusy = busy_.count(Strand::Exclusive().id) != 0;
    bool exclusiveDue = false;
    for (const Candidate& c : due) {
        if (c.kind == Kind::Waiting) {
            return c;
        }
        if (exclusiveBusy || exclusiveDue) {
            continue;
        }
        if (c.strand.IsExclusive()) {
            if (busy_.empty()) {
                return c;
            }
            exclusiveDue = true;
        } else if (busy_.count(c.strand.id) == 0) {
            return c;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> Dispatcher::NextDue() {
    const std::optional<Candidate> next = Pick(std::numeric_limits<std::int64_t>::max());
    if (!next) {
        return std::nullopt;
    }
    return next->due;
}

bool Dispatcher::RunNext(std::int64_t limit) {
    const std::optional<Candidate> next = Pick(limit);
    if (!next) {
        return false;
    }
    switch (next->kind) {
    case Kind::Waiting: {
        Worker& worker = *waiting_[next->index].worker;
        waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(next->index));
        Resume(worker);
        break;
    }
    case Kind::Posted: {
        Posted p = std::move(posted_[next->index]);
        posted_.erase(posted_.begin() + static_cast<std::ptrdiff_t>(next->index));
        Start(p.strand, std::move(p.handler), nullptr);
        break;
    }
    case Kind::Timer: {
        const std::shared_ptr<TimerState> timer = timers_[next->index];
        const std::int64_t due = timer->due;
        const std::uint64_t generation = timer->generation;
        // Until its tick has ended the timer is not due again.
        timer->due = std::numeric_limits<std::int64_t>::max();
        Start(timer->strand, timer->tick, [this, timer, due, generation] {
            if (!timer->alive || !timer->enabled) {
                return;
            }
            if (timer->generation != generation) {
                return; // re-armed by a handler: it counts from that moment
            }
            // Left running by its handler: periodic on its own phase; ticks missed while the
            // engine was busy collapse into the one that just ran.
            std::int64_t next = due + timer->interval;
            const std::int64_t now = now_();
            if (next <= now) {
                next += ((now - next) / timer->interval + 1) * timer->interval;
            }
            timer->due = next;
            timer->seq = ++seq_;
        });
        break;
    }
    }
    return true;
}

void Dispatcher::Start(Strand strand, std::function<void()> job, std::function<void()> onFinish) {
    Worker* worker = nullptr;
    if (!idle_.empty()) {
        worker = idle_.back();
        idle_.pop_back();
    } else {
        workers_.push_back(std::make_unique<Worker>());
        worker = workers_.back().get();
        worker->owner = this;
        worker->thread = std::thread([this, worker] { WorkerLoop(*worker); });
    }
    worker->strand = strand;
    worker->job = std::move(job);
    worker->onFinish = std::move(onFinish);
    HandOver(*worker);
    Settle(*worker);
}

void Dispatcher::Resume(Worker& worker) {
    HandOver(worker);
    Settle(worker);
}

void Dispatcher::HandOver(Worker& worker) {
    std::unique_lock lock(mutex_);
    ownerHasTurn_ = false;
    worker.hasTurn = true;
    worker.turn.notify_one();
    ownerTurn_.wait(lock, [this] { return ownerHasTurn_; });
}

// After a hand-over: the handler either waits (its strand stays busy) or has ended.
void Dispatcher::Settle(Worker& worker) {
    if (worker.waiting) {
        busy_.insert(worker.strand.id);
        return;
    }
    busy_.erase(worker.strand.id);
    std::function<void()> onFinish = std::move(worker.onFinish);
    worker.onFinish = nullptr;
    idle_.push_back(&worker);
    if (onFinish) {
        onFinish();
    }
}

void Dispatcher::WorkerLoop(Worker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
        worker.turn.wait(lock, [&worker] { return worker.hasTurn || worker.quit; });
        if (worker.quit) {
            return;
        }
        std::function<void()> job = std::move(worker.job);
        worker.job = nullptr;
        currentWorker_ = &worker;
        lock.unlock();
        try {
            job();
        } catch (const HandlerAbandoned&) {
            // The dispatcher goes: the handler ended where it waited.
        }
        job = nullptr; // what the handler held goes while it still has the turn
        lock.lock();
        currentWorker_ = nullptr;
        worker.waiting = false;
        worker.hasTurn = false;
        ownerHasTurn_ = true;
        ownerTurn_.notify_one();
    }
}

bool Dispatcher::WaitInHandler(int milliseconds) {
    Worker* worker = currentWorker_;
    if (worker == nullptr || worker->owner != this) {
        return false;
    }
    if (finishing_) {
        return true; // shutting down: the wait ends at once
    }
    waiting_.push_back({now_() + std::max(milliseconds, 0), ++seq_, worker});
    std::unique_lock lock(mutex_);
    worker->waiting = true;
    worker->hasTurn = false;
    ownerHasTurn_ = true;
    ownerTurn_.notify_one();
    worker->turn.wait(lock, [worker] { return worker->hasTurn; });
    worker->waiting = false;
    if (abandoning_) {
        throw HandlerAbandoned{};
    }
    return true;
}

void Dispatcher::FinishWaiting() {
    finishing_ = true;
    while (!waiting_.empty()) {
        Worker& worker = *waiting_.front().worker;
        waiting_.erase(waiting_.begin());
        Resume(worker);
    }
    finishing_ = false;
}

} // namespace zarava
