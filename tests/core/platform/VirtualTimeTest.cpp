#include "platform/VirtualTime.h"

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

TEST(VirtualTimeTest, TimersDueTogetherTickInArmingOrder) {
    VirtualTime time;
    Log log{{}, &time};
    auto a = time.CreateTimer(100, true, [&] { log.Add("a"); });
    auto b = time.CreateTimer(50, true, [&] { log.Add("b"); });
    auto c = time.CreateTimer(100, true, [&] { log.Add("c"); });
    time.AdvanceBy(100);
    EXPECT_EQ(log.events, (std::vector<std::string>{"b@50", "a@100", "c@100", "b@100"}));
}

TEST(VirtualTimeTest, HandlerThatRearmsItselfCountsFromTheEndOfItsTick) {
    VirtualTime time;
    Log log{{}, &time};
    std::unique_ptr<Timer> poll;
    poll = time.CreateTimer(100, true, [&] {
        poll->SetEnabled(false);
        poll->SetInterval(853);
        log.Add("poll");
        time.Sleep(100); // a settings retry inside the handler
        poll->SetEnabled(true);
    });
    time.AdvanceBy(100 + 100 + 853 + 100 + 853);
    EXPECT_EQ(log.events, (std::vector<std::string>{"poll@100", "poll@1053", "poll@2006"}));
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
    EXPECT_EQ(log.events, (std::vector<std::string>{"victim@100", "killer@100"}));
    time.AdvanceBy(1000);
    EXPECT_EQ(log.events.size(), 2u + 10u); // only the killer goes on
    for (std::size_t i = 2; i < log.events.size(); ++i) {
        EXPECT_EQ(log.events[i].rfind("killer", 0), 0u);
    }
}

TEST(VirtualTimeTest, SleepDelaysOtherTimersWithoutBursts) {
    VirtualTime time;
    Log log{{}, &time};
    auto slow = time.CreateTimer(1000, true, [&] {
        log.Add("slow");
        time.Sleep(350);
    });
    auto fast = time.CreateTimer(100, true, [&] { log.Add("fast"); });
    time.AdvanceBy(1400);
    // The fast timer was due at 1000 and 1100..1300 during the sleep: it ticks once late,
    // then goes on in its own phase.
    const std::vector<std::string> tail(log.events.end() - 3, log.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"slow@1000", "fast@1350", "fast@1400"}));
    EXPECT_EQ(time.Slept(), 350);
    EXPECT_EQ(time.Elapsed(), 1400);
}

TEST(VirtualTimeTest, PostedHandlersRunInOrderBeforeLaterTimers) {
    VirtualTime time;
    Log log{{}, &time};
    auto t = time.CreateTimer(10, true, [&] { log.Add("timer"); });
    time.Post([&] {
        log.Add("first");
        time.Post([&] { log.Add("third"); });
    });
    time.Post([&] { log.Add("second"); });
    time.AdvanceBy(10);
    EXPECT_EQ(log.events, (std::vector<std::string>{"first@0", "second@0", "third@0", "timer@10"}));
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
