// How a room window follows its queue file and the notice type: when it polls, which changes
// of the file's time stamp it draws, and the notice panel.

#include "QueueFiles.h"
#include "TestDisplay.h"
#include "settings/SettingsStore.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace zarava {
namespace {

using test::BoardText;
using test::CallArea;
using test::StateOf;
using test::TestDisplay;
using test::Ticket;

struct Settings {
    std::string today = "20240108";
    std::string msgType = "0"; // "-" leaves the key out, as for the counter
    std::string counter = "番窓口";
    std::string mssg4 = "午前中の受付は終了致しました。";
    std::string mssg5 = "本日の受付は終了致しました。";
    std::string callSound = "0";

    std::string Ini() const {
        return Utf8ToCp932("[USER INFOMATION]\r\nFORM=1\r\nTODAY=" + today +
                           "\r\n[DISPLAY INFOMATION]\r\n" +
                           (counter == "-" ? "" : "COUNTER=" + counter + "\r\n") +
                           "1CALL SOUND=" + callSound + "\r\n" +
                           (msgType == "-" ? "" : "MSG TYPE=" + msgType + "\r\n") +
                           "MSSG 4=" + mssg4 + "\r\nMSSG 5=" + mssg5 +
                           "\r\n[DAZUZE INFOMATION]\r\nDAZUZE1=R1\r\n1TIME CALC=1\r\n"
                           "[ZARAVA1 INFOMATION]\r\nSHOP COLOR=1\r\n"
                           "[DISPLAY INFOMATION]\r\nMESSAGE INFO=31\r\n")
            .value();
    }
};

LocalDateTime Noon(int second = 0, int millisecond = 0, int day = 8) {
    return {2024, 1, day, 12, 0, second, millisecond};
}

class QueuePollTest : public ::testing::Test {
protected:
    QueuePollTest() { std::filesystem::create_directory(d.folder / "temp"); }

    void Configure() { d.folder.Write("zarava.ini", settings.Ini()); }
    // The issuer rewrites the room's file for a day with `waiting` tickets, stamped `at`.
    void WriteQueue(int waiting, const LocalDateTime& at, const std::string& today = "20240108") {
        std::vector<Ticket> tickets;
        for (int i = 1; i <= waiting; ++i) {
            tickets.push_back({std::to_string(i)});
        }
        const std::string name = "temp/" + today + "_1.tmp";
        d.folder.Write(name, test::QueueFile(tickets));
        ASSERT_TRUE(test::SetLastWrite(d.folder / name, at));
    }
    // The waiting count as the board shows it.
    std::string Count() const {
        const std::string board = BoardText(d.Published(*room));
        const std::size_t at = board.find("count ") + 6;
        return board.substr(at, 3);
    }
    void Load() {
        if (room) {
            d.Run([this] { room->CloseRoomWindow(); });
        }
        Configure();
        room = d.Room(1);
        loaded = d.time.Elapsed();
    }
    // Moves virtual time to `ms` after the end of the load.
    void At(std::int64_t ms) { d.time.AdvanceBy(loaded + ms - d.time.Elapsed()); }

    Settings settings;
    TestDisplay d{""};
    std::unique_ptr<RoomWindow> room;
    std::int64_t loaded = 0;
};

TEST_F(QueuePollTest, FirstTickComesAfter100MsAndEachNextOne853MsAfterTheEndOfTheLast) {
    settings.msgType = "-"; // a missing key: each poll ends after the retry's pause
    WriteQueue(3, Noon(0));
    Load();
    // The first poll starts at 100 ms and shows its board at its end, after the retry.
    At(199);
    EXPECT_EQ(Count(), "__0") << "the load's own count";
    At(200);
    EXPECT_EQ(Count(), "__3");
    WriteQueue(4, Noon(1));
    At(200 + 853 + 99);
    EXPECT_EQ(Count(), "__3");
    At(200 + 853 + 100);
    EXPECT_EQ(Count(), "__4");
    WriteQueue(5, Noon(2));
    At(2 * (853 + 100) + 200 - 1);
    EXPECT_EQ(Count(), "__4");
    At(2 * (853 + 100) + 200);
    EXPECT_EQ(Count(), "__5");
}

TEST_F(QueuePollTest, OnlyADifferentTimeOfDayOfTheStampIsDrawn) {
    WriteQueue(7, {2024, 1, 8, 0, 0, 0, 400});
    Load();
    At(RoomWindow::kPollMs + 100);
    EXPECT_EQ(Count(), "__0") << "stamped at midnight: not drawn by the first polls";
    const std::tuple<const char*, int, LocalDateTime, const char*> steps[] = {
        // what, tickets written, their stamp, the count shown after the next poll
        {"a time of day", 1, Noon(0, 100), "__1"},
        {"rewritten within the same second", 2, Noon(0, 900), "__1"},
        {"the next second", 3, Noon(1), "__3"},
        {"the same time a day later", 4, Noon(1, 0, 9), "__3"},
        {"an earlier time", 5, Noon(0), "__5"},
        {"midnight is key 0 but the last key was not", 6, {2024, 1, 8, 0, 0, 0, 0}, "__6"},
    };
    for (const auto& [what, waiting, stamp, count] : steps) {
        WriteQueue(waiting, stamp);
        d.time.AdvanceBy(RoomWindow::kPollMs + 1);
        EXPECT_EQ(Count(), count) << what;
    }
    const std::string file = d.folder / "temp/20240108_1.tmp";
    std::filesystem::remove(file);
    d.time.AdvanceBy(3000);
    EXPECT_EQ(Count(), "__6") << "a deleted file changes nothing";
    // A folder in place of the file, or an unreadable file, is an empty queue.
    std::filesystem::create_directory(file);
    ASSERT_TRUE(test::SetLastWrite(file, Noon(30)));
    d.time.AdvanceBy(RoomWindow::kPollMs + 1);
    EXPECT_EQ(BoardText(d.Published(*room)), "waiting | count __0 | time __0");
}

TEST_F(QueuePollTest, TodayNeverLeadsOutOfTheTempFolder) {
    std::filesystem::create_directories(d.folder / "temp/sub");
    for (const char* today : {"../x", "sub/x", "sub\\x", "..", "x..y"}) {
        for (const char* name :
             {"x_1.tmp", "temp/sub/x_1.tmp", "temp/.._1.tmp", "temp/x..y_1.tmp"}) {
            d.folder.Write(name, test::QueueFile({{"1"}}));
        }
        settings.today = today;
        Load();
        d.time.AdvanceBy(2000);
        EXPECT_EQ(Count(), "__0") << today;
        EXPECT_EQ(StateOf(d.Published(*room), "TlxCall").caption, "番窓口") << "never refreshed";
    }
}

// The issuer starts a new day and sets a call request before the room's file of that day
// exists: the board shows the previous day, and the request is heard once the file comes.
TEST_F(QueuePollTest, NewTodayAndACallRequestWaitForTheNewDaysQueueFileAndAreTakenOnce) {
    d.folder.Write("chime.wav", "x");
    WriteQueue(2, Noon(0));
    Load();
    At(100);
    settings.today = "20240109";
    settings.callSound = "1";
    Configure();
    d.time.AdvanceBy(5 * RoomWindow::kPollMs);
    EXPECT_EQ(Count(), "__2");
    EXPECT_TRUE(d.sound.played.empty()) << "no refresh, no announcement";
    WriteQueue(7, Noon(5), "20240109");
    d.time.AdvanceBy(2 * RoomWindow::kPollMs); // a poll, and the announcement's retries
    EXPECT_EQ(Count(), "__7");
    EXPECT_EQ(d.sound.played.size(), 1u);
    EXPECT_NE(d.folder.Read("zarava.ini").find("1CALL SOUND=\r\n"), std::string::npos);
    WriteQueue(3, Noon(6), "20240109");
    d.time.AdvanceBy(2 * RoomWindow::kPollMs);
    EXPECT_EQ(Count(), "__3");
    EXPECT_EQ(d.sound.played.size(), 1u) << "the request was taken";
}

TEST_F(QueuePollTest, AnEmptyCounterTextIsWrittenBackOnceAndTheCaptionHasTwoLines) {
    // COUNTER ("-": no key), the counter named on screen and in the file after the refresh
    const std::pair<const char*, const char*> cases[] = {
        {"-", "番窓口"}, {"   ", "番窓口"}, {"受付", "受付"}};
    for (const auto& [counter, shown] : cases) {
        settings.counter = counter;
        WriteQueue(1, Noon(0));
        Load();
        d.time.AdvanceBy(1000); // the first poll, and the write of a settings file just written
        EXPECT_EQ(StateOf(d.Published(*room), "TlxCall").caption,
                  std::string(shown) + "\r\n　へおこし下さい。")
            << counter;
        EXPECT_EQ(ReadSetting(d.time, "DISPLAY INFOMATION", "COUNTER", d.program.IniPath()), shown)
            << counter;
        // Once written, the next refresh finds it and writes nothing.
        const std::string before = d.folder.Read("zarava.ini");
        WriteQueue(2, Noon(1));
        d.time.AdvanceBy(3000);
        EXPECT_EQ(d.folder.Read("zarava.ini"), before) << counter;
    }
}

TEST_F(QueuePollTest, NoticePanelFollowsMsgTypeAndReadsTheNoticeOnlyWhenTheTypeChanges) {
    Load();
    const auto panel = [this] {
        const WindowSnapshot& s = d.Published(*room);
        return StateOf(s, "MsgFrame").visible ? StateOf(s, "MsgxLabel").caption : "-";
    };
    const std::tuple<const char*, const char*, const char*, bool> steps[] = {
        // MSG TYPE, MSSG 4, the panel's text ("-": no panel), MsgActive
        {"-", "  午前の受付は終了  ", "-", false},
        {"1", "  午前の受付は終了  ", "午前の受付は終了", true},
        {"1", "edited", "午前の受付は終了", true}, // the type did not change
        {"1.0", "edited", "午前の受付は終了", true},
        {"2", "edited", "本日の受付は終了致しました。", true},
        {"1", "edited", "edited", true},
        {"3", "x", "-", false},
        {"", "x", "-", false},
        {"1", "", "", true},
        {"70000", "x", "-", false}, // beyond 16 bits: no notice
        {"70000", "x", "-", false},
        {"1", "back", "back", true},
    };
    for (const auto& [msgType, mssg4, shown, active] : steps) {
        settings.msgType = msgType;
        settings.mssg4 = mssg4;
        Configure();
        d.time.AdvanceBy(RoomWindow::kPollMs + 300);
        EXPECT_EQ(panel(), shown) << msgType;
        EXPECT_EQ(room->Notice().MsgActive(), active) << msgType;
    }
}

// A poll that sees a notice and new calls at once, and must wait for a missing setting's retry
// first, has not started while it waits: the blink cannot draw a call before the poll has set
// up the notice. From the start-up on, the notice and the calls take turns from the first call.
TEST(QueuePollTurnsTest, ANoticeAndCallsSeenByOnePollTakeTurnsFromTheFirstCall) {
    TestDisplay d(Utf8ToCp932("[USER INFOMATION]\r\nFORM=1\r\nTODAY=20240108\r\n"
                              "[DISPLAY INFOMATION]\r\nMSG TYPE=1\r\nMSSG 4=午前の受付は終了\r\n"
                              "COUNTER=番窓口\r\n1CALL SOUND=0\r\n") // no 1TIME CALC
                      .value());
    std::filesystem::create_directory(d.folder / "temp");
    d.folder.Write("temp/20240108_1.tmp",
                   test::QueueFile({{"11", "呼", "9:00", "9:05"}, {"22", "呼", "9:01", "9:06"}}));
    auto phase = d.time.CreateTimer(600, true, [&d] { d.program.blinkPhase.Advance(); });
    d.time.AdvanceBy(650); // the phase is on when the poll's handler runs
    auto room = d.Room(1);
    std::vector<std::string> shown;
    for (int t = 0; t < 12000; t += 100) {
        d.time.AdvanceBy(100);
        const std::string now = CallArea(d.Published(*room));
        if (now.rfind("off", 0) != 0 && (shown.empty() || shown.back() != now)) {
            shown.push_back(now);
        }
    }
    ASSERT_GE(shown.size(), 4u);
    shown.resize(4);
    EXPECT_EQ(shown, (std::vector<std::string>{"notice", "011", "notice", "022"}));
}

} // namespace
} // namespace zarava
