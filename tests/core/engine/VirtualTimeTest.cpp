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
    const Strand s = time.NewStrand();
    auto a = time.CreateTimer(s, 100, true, [&] { log.Add("a"); });
    auto b = time.CreateTimer(s, 50, true, [&] { log.Add("b"); });
    auto c = time.CreateTimer(time.NewStrand(), 100, true, [&] { log.Add("c"); });
    time.Post([&] {
        log.Add("first");
        time.Post([&] { log.Add("third"); });
    });
    time.Post(s, [&] { log.Add("second"); });
    time.AdvanceBy(100);
    EXPECT_EQ(log.events,
              (Events{"first@0", "second@0", "third@0", "b@50", "a@100", "c@100", "b@100"}));
}

TEST(VirtualTimeTest, HandlerThatRearmsItselfCountsFromTheEndOfItsTick) {
    VirtualTime time;
    Log log{{}, &time};
    std::unique_ptr<Timer> poll;
    poll = time.CreateTimer(time.NewStrand(), 100, true, [&] {
        poll->SetEnabled(false);
        poll->SetInterval(853);
        log.Add("poll");
        time.Sleep(100); // a settings retry inside the handler
        poll->SetEnabled(true);
    });
    time.AdvanceBy(100 + 100 + 853 + 100 + 853);
    EXPECT_EQ(log.events, (Events{"poll@100", "poll@1053", "poll@2006"}));
}

TEST(VirtualTimeTest, TimerDisabledByAnotherHandlerDoesNotTick) {
    VirtualTime time;
    Log log{{}, &time};
    const Strand s = time.NewStrand();
    auto victim = time.CreateTimer(s, 100, true, [&] { log.Add("victim"); });
    auto killer = time.CreateTimer(s, 100, false, [&] {
        log.Add("killer");
        victim->SetEnabled(false);
    });
    killer->SetEnabled(true); // armed after the victim, but due at the same time
    time.AdvanceBy(100);
    EXPECT_EQ(log.events, (Events{"victim@100", "killer@100"}));
    time.AdvanceBy(1000);
    EXPECT_EQ(log.events.size(), 2u + 10u); // only the killer goes on
    for (std::size_t i = 2; i < log.events.size(); ++i) {
        EXPECT_EQ(log.events[i].rfind("killer", 0), 0u);
    }
}

// While a handler waits for its retry, other strands go on in their rhythm; its own strand,
// and its own timer, wait for it, and then tick once, never in a burst.
TEST(VirtualTimeTest, WaitingHandlerHoldsOnlyItsOwnStrand) {
    VirtualTime time;
    Log log{{}, &time};
    const Strand room = time.NewStrand();
    auto slow = time.CreateTimer(room, 1000, true, [&] {
        log.Add("slow");
        time.Sleep(350);
        log.Add("slow-end");
    });
    auto sameRoom = time.CreateTimer(room, 100, true, [&] { log.Add("same"); });
    auto other = time.CreateTimer(time.NewStrand(), 100, true, [&] { log.Add("other"); });
    time.AdvanceBy(1400);
    const Events from(std::find(log.events.begin(), log.events.end(), "slow@1000"),
                      log.events.end());
    EXPECT_EQ(from, (Events{"slow@1000", "other@1000", "other@1100", "other@1200", "other@1300",
                            "slow-end@1350", "same@1350", "other@1400", "same@1400"}));
    EXPECT_EQ(time.Slept(), 350);
    EXPECT_EQ(time.Elapsed(), 1400);
}

// An exclusive handler (a close, say) waits until no handler is in the middle of its work, and
// nothing new starts while it is due or in the middle of its own.
TEST(VirtualTimeTest, ExclusiveHandlerRunsAlone) {
    VirtualTime time;
    Log log{{}, &time};
    auto poll = time.CreateTimer(time.NewStrand(), 100, true, [&] {
        log.Add("poll");
        time.Sleep(100);
        log.Add("poll-end");
    });
    auto blink = time.CreateTimer(time.NewStrand(), 30, true, [&] { log.Add("blink"); });
    time.AdvanceBy(120);
    time.Post([&] {
        log.Add("close");
        time.Sleep(100);
        log.Add("close-end");
    });
    time.AdvanceBy(200);
    const Events from(std::find(log.events.begin(), log.events.end(), "poll@100"),
                      log.events.end());
    EXPECT_EQ(from, (Events{"poll@100", "blink@120", "poll-end@200", "close@200", "close-end@300",
                            "blink@300", "poll@300"}));
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
