// A share that holds every file operation for 20 s: the screen goes on, and catches up once
// the share is back.

#include "FrameFixture.h"
#include "QueueFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zarava {
namespace {

using test::CallArea;
using test::Ticket;

class StalledShareTest : public test::FrameFixture {
protected:
    void Issue(int room, const std::vector<Ticket>& tickets, int second) {
        const std::string name = "Temp/20240108_" + std::to_string(room) + ".tmp";
        temp_.Write(name, test::QueueFile(tickets));
        ASSERT_TRUE(test::SetLastWrite(temp_ / name, {2024, 1, 8, 9, 0, second, 0}));
    }
    const WindowSnapshot& Room(int room) const {
        for (const auto& [id, window] : host_.windows) {
            if (window.tag == room) {
                return window;
            }
        }
        throw std::runtime_error("no room " + std::to_string(room));
    }
    std::string Count(int room) const {
        const std::string board = test::BoardText(Room(room));
        return board.substr(board.find("count ") + 6, 3);
    }
};

TEST_F(StalledShareTest,
       RoomsBlinkThroughAStallAndCatchUpAfterItAndACloseForgetsWhatItsReadingsFind) {
    std::filesystem::create_directory(folder_ / "Temp");
    WriteIni("[DAZUZE INFOMATION]\r\nSHINSATSU=1\r\nDAZUZE1=R1\r\nDAZUZE2=R2\r\n"
             "1TIME CALC=1\r\n2TIME CALC=1\r\n[USER INFOMATION]\r\nFORM=1\r\nTODAY=20240108\r\n"
             "[DISPLAY INFOMATION]\r\nMSG TYPE=0\r\nCOUNTER=c\r\nTIME=1\r\nMSSG 3=m\r\n"
             "1CALL SOUND=0\r\n2CALL SOUND=0\r\n");
    for (int room : {1, 2}) {
        Issue(room, {{std::to_string(room), "呼", "9:00", "9:05", "3"}, {"7"}}, 1);
    }
    time_.SetWallClock({2024, 1, 8, 9, 0, 50, 0});
    Start("12");
    time_.AdvanceBy(3000);
    ASSERT_EQ(Count(1), "__1");

    // The share stalls; meanwhile the issuer calls another ticket in each room.
    time_.HoldFiles();
    for (int room : {1, 2}) {
        Issue(room,
              {{std::to_string(room), "呼", "9:00", "9:05", "3"}, {"7", "呼", "9:01", "9:06"}}, 30);
    }
    std::vector<std::string> seen[3];
    for (int t = 0; t < 20000; t += 100) {
        if (t == 9000) {
            Run([this] { display_->OnTickerNotification(TickerNotification::PassEnded); });
        }
        time_.AdvanceBy(100);
        for (int room : {1, 2}) {
            const std::string shown = CallArea(Room(room));
            if (seen[room].empty() || seen[room].back() != shown) {
                seen[room].push_back(shown);
            }
        }
    }
    for (int room : {1, 2}) {
        // Every 2.4 s the call shown last goes off and comes back; the new call is not seen.
        EXPECT_GE(seen[room].size(), 15u) << room;
        for (const std::string& shown : seen[room]) {
            EXPECT_TRUE(shown == "off" || shown == "00" + std::to_string(room) + "@3") << shown;
        }
        EXPECT_EQ(Count(room), "__1") << room;
    }
    // Each handler waits for one reading at most: nothing piles up (the two polls, the
    // watchdog, the ticker).
    EXPECT_LE(time_.FileWorkWaiting(), 4u);
    // The band's pass ended during the stall; the next tick started one with the time of then.
    EXPECT_EQ(display_->Frame().tickerPass, 3u);
    EXPECT_EQ(display_->Frame().tickerCaption, "ただいま 09時01分 です。　/　　m");

    // The share is back: within two poll periods every board is current.
    time_.ReleaseFiles();
    time_.AdvanceBy(2 * 853);
    for (int room : {1, 2}) {
        EXPECT_EQ(Count(room), "__0") << room;
    }
    EXPECT_LT(host_.endedWith, 0);

    // The display closes while its readings hang on the share again: whatever they find later
    // is forgotten, and nothing moves after the end.
    time_.HoldFiles();
    time_.AdvanceBy(2000); // the polls, the watchdog and the ticker each wait for a reading
    Run([this] { display_->Unload(); });
    const std::size_t handOvers = host_.handOvers.size() + host_.frames.size();
    time_.ReleaseFiles();
    time_.AdvanceBy(10000);
    EXPECT_EQ(host_.handOvers.size() + host_.frames.size(), handOvers);
    EXPECT_EQ(Form(), "1");
}

} // namespace
} // namespace zarava
