// From the issuer's queue file to the pictures of the boards, through a room window's first
// poll: real files in a temporary program folder.

#include "TestDisplay.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zarava {
namespace {

using test::Ticket;
using test::Waiting;

// The called entries as the blink will show them: ticket digits "@" counter digits.
std::string CalledText(const CallRecords& calls) {
    std::string text;
    for (std::size_t e = 0; e < kCalledEntries; ++e) {
        const auto& d = calls.CalledDigits;
        if (d[0][e] + d[1][e] + d[2][e] == 0) {
            continue;
        }
        const auto& c = calls.CalledCounterDigits;
        text += (text.empty() ? "" : " ") + std::to_string(d[0][e]) + std::to_string(d[1][e]) +
                std::to_string(d[2][e]) + "@" +
                (c[0][e] < 0 ? "--" : std::to_string(c[0][e]) + std::to_string(c[1][e]));
    }
    return text;
}

// Served tickets whose waits (issued 9:00:00) are the given seconds.
std::vector<Ticket> Served(std::vector<int> waits, int first = 100) {
    std::vector<Ticket> tickets;
    for (int wait : waits) {
        const int at = 9 * 3600 + wait;
        tickets.push_back({std::to_string(first++), "済", "9:00:00",
                           std::to_string(at / 3600) + ":" + std::to_string(at / 60 % 60) + ":" +
                               std::to_string(at % 60)});
    }
    return tickets;
}

std::vector<Ticket> operator+(std::vector<Ticket> a, const std::vector<Ticket>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CallBoardTest, QueueFileToThePicturesOfTheBoards) {
    std::vector<Ticket> elevenCalled, classes;
    for (int i = 1; i <= 11; ++i) {
        elevenCalled.push_back({std::to_string(i), "呼", "9:00", "9:30", std::to_string(i)});
    }
    for (const char* cls : {"1", "0", "2", "", " 1", "1.0"}) {
        classes.push_back({std::to_string(classes.size() + 1), "", "", "", "", cls});
    }
    const struct {
        const char* what;
        std::string timeCalc;
        std::vector<Ticket> tickets;
        std::string board;
        std::string called;
    } cases[] = {
        {"nobody", "", {}, "waiting | count __0 | time ---", ""},
        {"13 waiting: twelve on the board", "", Waiting(13),
         "waiting 001 002 003 004 005 006 007 008 009 010 011 012 | count _13 | time ---", ""},
        {"class 1 in the second colour", "", classes,
         "waiting 001* 002 003 004 005* 006* | count __6 | time ---", ""},
        {"TIME CALC 2.5, 1 waiting", "2.5", Waiting(1), "waiting 001 | count __1 | time __2", ""},
        {"TIME CALC, nobody waiting", "4", Served({600}), "waiting | count __0 | time __0", ""},
        {"TIME CALC 90 x 2 = 180", "90", Waiting(2), "waiting 001 002 | count __2 | time 180", ""},
        {"TIME CALC 90.25 x 2 = 180.5", "90.25", Waiting(2),
         "waiting 001 002 | count __2 | time 180", ""},
        {"TIME CALC 181", "181", Waiting(1), "waiting 001 | count __1 | time ---", ""},
        {"600 and 900 s, 2 waiting: 25.5 -> 26", "", Served({600, 900}) + Waiting(2),
         "waiting 001 002 | count __2 | time _26", ""},
        {"720 s, 2 waiting: 24.5 -> 24", "0", Waiting(1) + Served({720, 720}) + Waiting(1, 2),
         "waiting 001 002 | count __2 | time _24", ""},
        {"negative TIME CALC measures", "-2", Served({720, 720}) + Waiting(2),
         "waiting 001 002 | count __2 | time _24", ""},
        {"23:58 -> 0:03 is 300 s", "",
         std::vector<Ticket>{{"9", "済", "23:58:00", "0:03:00"}} + Waiting(2),
         "waiting 001 002 | count __2 | time _10", ""},
        {"twelve measured: the last ten, without the 0 s", "",
         Served({6000, 6000, 0, 60, 60, 60, 60, 60, 60, 60, 60, 60}) + Waiting(3),
         "waiting 001 002 003 | count __3 | time __4", ""},
        {"unreadable times: measured, no usable wait", "",
         std::vector<Ticket>{{"9", "済", "25:99", "9:10"}} + Waiting(1),
         "waiting 001 | count __1 | time __0", ""},
        {"class 1 and 2 are not measured", "",
         std::vector<Ticket>{{"9", "済", "9:00", "9:10", "", "1"},
                             {"8", "済", "9:00", "9:10", "", "2"}} +
             Waiting(1),
         "waiting 001 | count __1 | time ---", ""},
        {"called and measured", "",
         std::vector<Ticket>{{"20", "呼", "9:00", "9:10", "3"}} + Waiting(1),
         "waiting 001 | count __1 | time _10", "020@03"},
        {"eleven called: the first ten", "", elevenCalled, "waiting | count __0 | time __0",
         "001@01 002@02 003@03 004@04 005@05 006@06 007@07 008@08 009@09 010@10"},
        {"neither waiting nor called", "",
         std::vector<Ticket>{{"6", "済"}, {"7", " 呼 "}, {"8", "呼び出し"}},
         "waiting | count __0 | time ---", "007@--"},
    };
    for (const auto& c : cases) {
        test::TestDisplay d(test::RoomSettings{.timeCalc = c.timeCalc}.Ini());
        std::filesystem::create_directory(d.folder / "temp");
        d.folder.Write("temp/20240108_1.tmp", test::QueueFile(c.tickets));
        auto room = d.Room(1);
        d.time.AdvanceBy(RoomWindow::kFirstPollMs);
        d.time.RunPending();
        EXPECT_EQ(test::BoardText(d.Published(*room)), c.board) << c.what;
        EXPECT_EQ(CalledText(room->Calls()), c.called) << c.what;
        // The refresh leaves the call area blank for the blink to draw.
        for (int i : {0, 1, 2, 4, 5}) {
            EXPECT_TRUE(test::StateOf(d.Published(*room), "ImgCall", i).picture.Empty()) << c.what;
        }
    }
}

TEST(CallBoardTest, NumbersAreDrawnWithTheirFirstSecondAndLastCharacter) {
    std::string digits;
    for (const char* ticket : {"7", "42", "123", "1234", "007", "0", "-5", "abc", "12a", "０１２",
                               "", "7.5", "9.5", "番5", "+3", "99999999999999999999"}) {
        const auto d = TicketDigits(ticket);
        digits += std::to_string(d[0]) + std::to_string(d[1]) + std::to_string(d[2]) + " ";
    }
    EXPECT_EQ(digits, "007 042 123 124 007 000 005 000 120 012 000 008 010 055 003 999 ");
    std::string counters;
    for (const char* counter : {"5", "12", "0", "", "-3", "x", "123", "０５", "4.6"}) {
        const auto c = CounterDigits(counter);
        counters += std::to_string(c[0]) + "," + std::to_string(c[1]) + " ";
    }
    EXPECT_EQ(counters, "0,5 1,2 -1,-1 -1,-1 -1,-1 -1,-1 1,3 0,5 0,5 ");
}

} // namespace
} // namespace zarava
