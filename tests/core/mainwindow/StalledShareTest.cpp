// A share that holds every file operation for 20 s: the screen goes on, and catches up once
// the share is back.

#include "FrameFixture.h"

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace zarava {
namespace {

class StalledShareTest : public test::FrameFixture {
protected:
    void Issue(int room, const std::vector<test::Ticket>& tickets, int second) {
        const std::string name = "Temp/20240108_" + std::to_string(room) + ".tmp";
        temp_.Write(name, test::QueueFile(tickets));
        ASSERT_TRUE(test::SetLastWrite(temp_ / name, {2024, 1, 8, 9, 0, second, 0}));
    }
    // The rooms are shown from 2 down to 1.
    const WindowSnapshot& Room(int room) const {
        return host_.windows.at(host_.windowOrder.at(2 - room));
    }
    // The waiting counts of rooms 1 and 2.
    std::string Counts() const {
        return test::WaitingCount(Room(1)) + " " + test::WaitingCount(Room(2));
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
    ASSERT_EQ(Counts(), "__1 __1");

    // The share stalls; meanwhile the issuer calls another ticket in each room.
    time_.HoldFiles();
    for (int room : {1, 2}) {
        Issue(room,
              {{std::to_string(room), "呼", "9:00", "9:05", "3"}, {"7", "呼", "9:01", "9:06"}}, 30);
    }
    std::string seen[3]; // by room, each change of its call area
    for (int t = 0; t < 20000; t += 100) {
        if (t == 9000) {
            PassEnded();
        }
        time_.AdvanceBy(100);
        for (int room : {1, 2}) {
            const std::string shown = test::CallArea(Room(room)) + " ";
            seen[room] += seen[room].ends_with(shown) ? "" : shown;
        }
    }
    // Every 2.4 s the call shown last goes off and comes back; the new call is not seen.
    EXPECT_TRUE(std::regex_match(seen[1], std::regex("((off|001@3) ){15,}"))) << seen[1];
    EXPECT_TRUE(std::regex_match(seen[2], std::regex("((off|002@3) ){15,}"))) << seen[2];
    EXPECT_EQ(Counts(), "__1 __1");
    // Each handler waits for one reading at most: nothing piles up (the two polls, the
    // watchdog, the ticker).
    EXPECT_LE(time_.FileWorkWaiting(), 4u);
    // The band's pass ended during the stall; the next tick started one with the time of then.
    EXPECT_EQ(display_->Frame().tickerPass, 3u);
    EXPECT_EQ(display_->Frame().tickerCaption, "ただいま 09時01分 です。　/　　m");

    // The share is back: within two poll periods every board is current.
    time_.ReleaseFiles();
    time_.AdvanceBy(2 * 853);
    EXPECT_EQ(Counts(), "__0 __0");
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
