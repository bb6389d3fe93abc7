#pragma once

#include "engine/Scheduler.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace zarava {

// The heart of both engines (virtual time in tests, real time in the program): the timers and
// posted handlers of the display, the strands they belong to, and the handlers that wait.
//
// Every handler runs on a worker thread of its own, but only ever one at a time: the caller of
// RunNext hands over and waits until the handler ends or waits, so handlers share state without
// locks, exactly as on one thread. A handler that waits (WaitInHandler, behind the clock's
// Sleep) gives the turn back, and handlers of other strands run until its time has come. The
// order is the earliest due first; among equals, the one armed or posted first. Time is
// whatever the owner says it is. Not thread-safe: the owner calls from one thread, and handlers
// call in only while they run.
class Dispatcher {
public:
    explicit Dispatcher(std::function<std::int64_t()> now);
    // Handlers still waiting are abandoned (see HandlerAbandoned), then the workers end.
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    Strand NewStrand();
    std::unique_ptr<Timer> CreateTimer(Strand strand, int intervalMs, bool enabled,
                                       std::function<void()> tick);
    void Post(Strand strand, std::function<void()> handler);

    // When the next handler, or a waiting handler's continuation, may run; nothing when
    // nothing is due ever.
    std::optional<std::int64_t> NextDue();

    // Runs the next one due at or before the limit until it ends or waits; false when there is
    // none. The owner's clock must read at least its due time meanwhile.
    bool RunNext(std::int64_t limit);

    // For a handler of this dispatcher: gives the turn to other strands for the given time and
    // returns when it is due again. False at once, doing nothing, for any other caller.
    bool WaitInHandler(int milliseconds);

    // True while a handler is in the middle of its work, waiting.
    bool HasWaiting() const { return !waiting_.empty(); }

    // Lets every waiting handler go on at once (their waits end now) until none waits.
    void FinishWaiting();

    // Thrown out of WaitInHandler into a handler that still waits when its dispatcher goes:
    // what it works on may be gone already, so it must not go on. Only the dispatcher catches
    // it.
    struct HandlerAbandoned {};

private:
    struct TimerState;
    class TimerHandle;
    struct Worker;
    struct Posted {
        std::int64_t at;
        std::uint64_t seq;
        Strand strand;
        std::function<void()> handler;
    };
    struct Waiting {
        std::int64_t due;
        std::uint64_t seq;
        Worker* worker;
    };
    enum class Kind { Timer, Posted, Waiting };
    struct Candidate {
        Kind kind;
        std::int64_t due;
        std::uint64_t seq;
        Strand strand;
        std::size_t index; // in timers_, posted_ or waiting_
    };

    void Arm(TimerState& t);
    std::optional<Candidate> Pick(std::int64_t limit);
    void Start(Strand strand, std::function<void()> job, std::function<void()> onFinish);
    void Resume(Worker& worker);
    // Hands the turn to the worker and waits until it ends its handler or waits.
    void HandOver(Worker& worker);
    void Settle(Worker& worker);
    void WorkerLoop(Worker& worker);

    std::function<std::int64_t()> now_;
    std::uint64_t seq_ = 0;
    int lastStrand_ = 0;
    std::vector<std::shared_ptr<TimerState>> timers_;
    std::deque<Posted> posted_;
    std::vector<Waiting> waiting_;
    std::set<int> busy_; // strands with a handler in the middle of its work (0: exclusive)
    bool finishing_ = false;
    bool abandoning_ = false;

    std::mutex mutex_; // guards the turn hand-over
    std::condition_variable ownerTurn_;
    bool ownerHasTurn_ = true;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<Worker*> idle_;

    static thread_local Worker* currentWorker_; // the worker running on this thread, if any
};

} // namespace zarava
