#include "engine/ThreadEngine.h"
#include "engine/IoThread.h"
#include "engine/SystemClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zarava {
namespace {

// Handlers posted from several threads at once run one at a time, each exactly once, and the
// hook after each handler sees their effects: the hand-over the GUI thread relies on.
TEST(ThreadEngineTest, HandlersFromManyThreadsRunOneAtATime) {
    SystemClock wall;
    ThreadEngine engine(wall);
    int counter = 0; // touched only by handlers: no lock, as the design promises
    std::atomic<int> running{0}, overlaps{0};
    int published = 0;
    engine.SetAfterEachHandler([&] { published = counter; });
    engine.Start();

    std::vector<std::jthread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                engine.Post([&] {
                    overlaps += running++;
                    ++counter;
                    --running;
                });
            }
        });
    }
    posters.clear(); // joins them
    std::promise<std::pair<int, int>> done;
    engine.Post([&] { done.set_value({counter, published}); });
    EXPECT_EQ(done.get_future().get(), std::pair(1000, 1000));
    engine.Stop();
    EXPECT_EQ(overlaps.load(), 0);
}

TEST(ThreadEngineTest, TimersTickOnTheEngineAndStopWhenDisabled) {
    SystemClock wall;
    ThreadEngine engine(wall);
    std::unique_ptr<Timer> timer;
    int ticks = 0;
    std::promise<void> fifth;
    engine.Start();
    engine.Post([&] {
        timer = engine.CreateTimer(5, true, [&] {
            if (++ticks == 5) {
                timer->SetEnabled(false);
                fifth.set_value();
            }
        });
    });
    ASSERT_EQ(fifth.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::promise<int> after;
    engine.Post([&] { after.set_value(ticks); });
    EXPECT_EQ(after.get_future().get(), 5);
    engine.Post([&] { timer.reset(); });
    engine.Stop();
}

// The file work's thread: work in the order handed over, delayed work once due and after what
// was ready, and a Finish that leaves nothing undone, a delay of a minute included.
TEST(IoThreadTest, WorkInOrderDelayedWorkWhenDueAndFinishLeavesNothing) {
    std::mutex mutex;
    std::vector<std::string> done; // guarded by mutex
    const auto note = [&](std::string what) {
        std::lock_guard lock(mutex);
        done.push_back(std::move(what));
    };
    IoThread io;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration delayedAfter{};
    io.SubmitAfter(30, [&] {
        delayedAfter = std::chrono::steady_clock::now() - start;
        note("delayed");
    });
    for (int i = 0; i < 3; ++i) {
        io.Submit([&note, i] { note(std::to_string(i)); });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    io.SubmitAfter(60000, [&] { io.Submit([&] { note("chained"); }); });
    io.Finish();
    std::lock_guard lock(mutex);
    EXPECT_EQ(done, (std::vector<std::string>{"0", "1", "2", "delayed", "chained"}));
    EXPECT_GE(delayedAfter, std::chrono::milliseconds(30));
}

} // namespace
} // namespace zarava
