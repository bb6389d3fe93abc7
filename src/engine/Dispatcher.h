#pragma once

#include "engine/Scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zarava {

// The heart of both engines (virtual time in tests, real time in the program): the timers and
// posted handlers of the display, run one at a time on the owner's thread, each to its end, in
// the order they fall due; among equals, the one armed or posted first. Time is whatever the
// owner says it is. Not thread-safe: the owner calls from one thread, and the handlers it runs
// call in.
class Dispatcher {
public:
    explicit Dispatcher(std::function<std::int64_t()> now);
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    std::unique_ptr<Timer> CreateTimer(int intervalMs, bool enabled, std::function<void()> tick);
    // Runs the handler once `delayMs` have passed from now.
    void Post(std::function<void()> handler, std::int64_t delayMs = 0);

    // When the next handler may run; nothing when nothing is due ever.
    std::optional<std::int64_t> NextDue() const;

    // Runs the next handler due at or before the limit; false when there is none. The owner's
    // clock must read at least its due time meanwhile.
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
    void RunTick(const std::shared_ptr<TimerState>& timer);

    std::function<std::int64_t()> now_;
    std::uint64_t seq_ = 0;
    std::vector<std::shared_ptr<TimerState>> timers_;
    std::deque<Posted> posted_;
};

} // namespace zarava
