// From the issuer's queue file to the pictures of the boards, through a room window's first
// poll: real files in a temporary program folder.

#include "QueueFiles.h"
#include "TestDisplay.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zarava {
namespace {

using test::BoardText;
using test::StateOf;
using test::TestDisplay;
using test::Ticket;

std::string Settings(const std::string& timeCalc) {
    return Utf8ToCp932("[USER INFOMATION]\r\nFORM=1\r\nTODAY=20240108\r\n"
                       "[DISPLAY INFOMATION]\r\nCOUNTER=番窓口\r\nMSG TYPE=0\r\n1CALL SOUND=0\r\n"
                       "[DAZUZE INFOMATION]\r\n1TIME CALC=" +
                       timeCalc + "\r\n")
        .value();
}

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

std::vector<Ticket> Waiting(int count, int first = 1) {
    std::vector<Ticket> tickets;
    for (int i = 0; i < count; ++i) {
        tickets.push_back({std::to_string(first + i), "", "9:00"});
    }
    return tickets;
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
    std::vector<int> twelve{6000, 6000, 0};
    twelve.insert(twelve.end(), 9, 60);
    std::vector<Ticket> elevenCalled;
    for (int i = 1; i <= 11; ++i) {
        elevenCalled.push_back({std::to_string(i), "呼", "9:00", "9:30", std::to_string(i)});
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
        {"class 1 in the second colour",
         "",
         {{"1", "", "", "", "", "1"},
          {"2"},
          {"3", "", "", "", "", "2"},
          {"4", "", "", "", "", ""},
          {"5", "", "", "", "", " 1"},
          {"6", "", "", "", "", "1.0"}},
         "waiting 001* 002 003 004 005* 006* | count __6 | time ---",
         ""},
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
        {"twelve measured: the last ten, without the 0 s", "", Served(twelve) + Waiting(3),
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
        TestDisplay d(Settings(c.timeCalc));
        std::filesystem::create_directory(d.folder / "temp");
        d.folder.Write("temp/20240108_1.tmp", test::QueueFile(c.tickets));
        auto room = d.Room(1);
        d.time.AdvanceBy(RoomWindow::kFirstPollMs);
        d.time.RunPending();
        EXPECT_EQ(BoardText(d.Published(*room)), c.board) << c.what;
        EXPECT_EQ(CalledText(room->Calls()), c.called) << c.what;
        // The refresh leaves the call area blank for the blink to draw.
        for (int i : {0, 1, 2, 4, 5}) {
            EXPECT_TRUE(StateOf(d.Published(*room), "ImgCall", i).picture.Empty()) << c.what;
        }
    }
}

TEST(CallBoardTest, NumbersAreDrawnWithTheirFirstSecondAndLastCharacter) {
    using Digits = std::array<std::int16_t, 3>;
    const std::pair<const char*, Digits> tickets[] = {
        {"7", {0, 0, 7}},   {"42", {0, 4, 2}},
        {"123", {1, 2, 3}}, {"1234", {1, 2, 4}},
        {"007", {0, 0, 7}}, {"0", {0, 0, 0}},
        {"-5", {0, 0, 5}},  {"abc", {0, 0, 0}},
        {"12a", {1, 2, 0}}, {"０１２", {0, 1, 2}},
        {"", {0, 0, 0}},    {"7.5", {0, 0, 8}},
        {"9.5", {0, 1, 0}}, {"番5", {0, 5, 5}},
        {"+3", {0, 0, 3}},  {"99999999999999999999", {9, 9, 9}},
    };
    for (const auto& [ticket, digits] : tickets) {
        EXPECT_EQ(TicketDigits(ticket), digits) << ticket;
    }
    using Counter = std::array<std::int16_t, 2>;
    const std::pair<const char*, Counter> counters[] = {
        {"5", {0, 5}},   {"12", {1, 2}},  {"0", {-1, -1}},  {"", {-1, -1}},  {"-3", {-1, -1}},
        {"x", {-1, -1}}, {"123", {1, 3}}, {"０５", {0, 5}}, {"4.6", {0, 5}},
    };
    for (const auto& [counter, digits] : counters) {
        EXPECT_EQ(CounterDigits(counter), digits) << counter;
    }
}

} // namespace
} // namespace zarava
