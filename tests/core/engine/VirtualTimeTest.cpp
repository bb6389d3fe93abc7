#include "engine/VirtualTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarava {
namespace {

struct Log {
    std::vector<std::string> events;
    VirtualTime* time = nullptr;
    void Add(const std::string& what) {
        events.push_back(what + "@" + std::to_string(time->Elapsed()));
    }
};

using Events = std::vector<std::string>;

// Timers due together tick in the order they were armed, and one disabled by another's tick
// ticks no more; posted handlers run in the order posted, before any timer.
TEST(VirtualTimeTest, TimersDueTogetherTickInArmingOrderAndPostedHandlersInPostingOrder) {
    VirtualTime time;
    Log log{{}, &time};
    auto a = time.CreateTimer(100, true, [&] { log.Add("a"); });
    auto b = time.CreateTimer(50, true, [&] { log.Add("b"); });
    auto c = time.CreateTimer(100, false, [&] {
        log.Add("c");
        a->SetEnabled(false);
    });
    c->SetEnabled(true);
    time.Post([&] {
        log.Add("first");
        time.Post([&] { log.Add("third"); });
    });
    time.Post([&] { log.Add("second"); });
    time.AdvanceBy(200);
    EXPECT_EQ(log.events, (Events{"first@0", "second@0", "third@0", "b@50", "a@100", "c@100",
                                  "b@100", "b@150", "c@200", "b@200"}));
}

TEST(VirtualTimeTest, HandlerThatRearmsItselfCountsFromTheEndOfItsTick) {
    VirtualTime time;
    Log log{{}, &time};
    std::unique_ptr<Timer> poll;
    poll = time.CreateTimer(100, true, [&] {
        poll->SetEnabled(false);
        poll->SetInterval(853);
        log.Add("poll");
        time.Sleep(100); // a pause in place: the engine is busy meanwhile
        poll->SetEnabled(true);
    });
    time.AdvanceBy(100 + 100 + 853 + 100 + 853);
    EXPECT_EQ(log.events, (Events{"poll@100", "poll@1053", "poll@2006"}));
}

// File work runs in the order handed over, a delayed piece once it is due, and what it posts
// back runs on the engine behind the handlers already due. (A stalled share, which holds only
// the file work, is shown on the frame by the stalled-share tests.)
TEST(VirtualTimeTest, FileWorkRunsInOrderAndWhatItPostsBackAfterIt) {
    VirtualTime time;
    Log log{{}, &time};
    auto blink = time.CreateTimer(100, true, [&] { log.Add("blink"); });
    time.Post([&] {
        log.Add("poll");
        time.SubmitAfter(150, [&] { log.Add("retry"); });
        time.Submit([&] {
            log.Add("read");
            time.Post([&] { log.Add("found"); });
        });
        time.Submit([&] { log.Add("write"); });
    });
    time.AdvanceBy(200);
    EXPECT_EQ(log.events, (Events{"poll@0", "read@0", "found@0", "write@0", "blink@100",
                                  "retry@150", "blink@200"}));
}

TEST(VirtualTimeTest, WallClockFollowsVirtualTime) {
    VirtualTime time({2024, 1, 13, 23, 59, 59, 500});
    time.AdvanceBy(600);
    EXPECT_EQ(time.Now(), (LocalDateTime{2024, 1, 14, 0, 0, 0, 100}));
    time.SetWallClock({2024, 2, 29, 12, 0, 0, 0});
    time.Sleep(1000);
    EXPECT_EQ(time.Now(), (LocalDateTime{2024, 2, 29, 12, 0, 1, 0}));
}

} // namespace
} // namespace zarava
