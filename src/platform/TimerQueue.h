#pragma once

#include "platform/Scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zarava {

// The timers and posted handlers of one engine, in one order for every engine: the earliest
// due first; among equals, the one armed or posted first. Time is whatever the owner says it
// is (virtual in tests, a steady clock in production). Not thread-safe: the owner serialises.
class TimerQueue {
public:
    explicit TimerQueue(std::function<std::int64_t()> now);
    ~TimerQueue();

    std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled, std::function<void()> tick);
    void Post(std::function<void()> handler);

    // When the next event is due, if any.
    std::optional<std::int64_t> NextDue();

    // Runs the next event due at or before the limit; false when there is none. The owner's
    // clock must read at least the event's due time while it runs.
    bool RunNext(std::int64_t limit);

private:
    struct TimerState;
    class TimerHandle;
    struct Posted {
        std::int64_t at;
        std::uint64_t seq;
        std::function<void()> handler;
    };

    void Arm(TimerState& t);
    std::shared_ptr<TimerState> EarliestTimer(std::int64_t limit);

    std::function<std::int64_t()> now_;
    std::uint64_t seq_ = 0;
    std::vector<std::shared_ptr<TimerState>> timers_;
    std::deque<Posted> posted_;
};

} // namespace zarava
