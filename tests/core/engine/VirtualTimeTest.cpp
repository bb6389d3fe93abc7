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

TEST(VirtualTimeTest, TimersDueTogetherTickInArmingOrderAndPostedHandlersInPostingOrder) {
    VirtualTime time;
    Log log{{}, &time};
    auto a = time.CreateTimer(100, true, [&] { log.Add("a"); });
    auto b = time.CreateTimer(50, true, [&] { log.Add("b"); });
    auto c = time.CreateTimer(100, true, [&] { log.Add("c"); });
    time.Post([&] {
        log.Add("first");
        time.Post([&] { log.Add("third"); });
    });
    time.Post([&] { log.Add("second"); });
    time.AdvanceBy(100);
    EXPECT_EQ(log.events,
              (Events{"first@0", "second@0", "third@0", "b@50", "a@100", "c@100", "b@100"}));
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

TEST(VirtualTimeTest, TimerDisabledByAnotherHandlerDoesNotTick) {
    VirtualTime time;
    Log log{{}, &time};
    auto victim = time.CreateTimer(100, true, [&] { log.Add("victim"); });
    auto killer = time.CreateTimer(100, false, [&] {
        log.Add("killer");
        victim->SetEnabled(false);
    });
    killer->SetEnabled(true); // armed after the victim, but due at the same time
    time.AdvanceBy(100);
    EXPECT_EQ(log.events, (Events{"victim@100", "killer@100"}));
    time.AdvanceBy(1000);
    EXPECT_EQ(log.events.size(), 2u + 10u); // only the killer goes on
    EXPECT_EQ(log.events.back(), "killer@1100");
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
