// How a room window follows its queue file and the notice type: when it polls, which changes
// of the file's time stamp it draws, and the notice panel.

#include "TestDisplay.h"
#include "settings/SettingsStore.h"

#include <filesystem>
#include <string>
#include <tuple>

namespace zarava {
namespace {

using test::StateOf;
using test::Waiting;
using namespace std::string_literals;

LocalDateTime Noon(int second = 0, int millisecond = 0, int day = 8) {
    return {2024, 1, day, 12, 0, second, millisecond};
}

using QueuePollTest = test::RoomFixture;

TEST_F(QueuePollTest, FirstTickComesAfter100MsAndEachNextOne853MsAfterTheEndOfTheLast) {
    settings.msgType = "-"; // a missing key: each poll ends after the retry's pause
    Issue(Waiting(3), Noon(0));
    Load();
    // The first poll starts at 100 ms and shows its board at its end, after the retry; the
    // load's own count is 0.
    for (int poll = 0; poll < 3; ++poll) {
        At(200 + poll * (853 + 100) - 1);
        EXPECT_EQ(Count(), "__" + std::to_string(poll ? poll + 2 : 0)) << poll;
        At(200 + poll * (853 + 100));
        EXPECT_EQ(Count(), "__" + std::to_string(poll + 3)) << poll;
        Issue(Waiting(poll + 4), Noon(poll + 1));
    }
}

TEST_F(QueuePollTest, OnlyADifferentTimeOfDayOfTheStampIsDrawn) {
    Issue(Waiting(7), {2024, 1, 8, 0, 0, 0, 400});
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
        Issue(Waiting(waiting), stamp);
        EXPECT_EQ(CountAfter(RoomWindow::kPollMs + 1), count) << what;
    }
    const std::string file = d.folder / "temp/20240108_1.tmp";
    std::filesystem::remove(file);
    EXPECT_EQ(CountAfter(3000), "__6") << "a deleted file changes nothing";
    // A folder in place of the file, or an unreadable file, is an empty queue.
    std::filesystem::create_directory(file);
    ASSERT_TRUE(test::SetLastWrite(file, Noon(30)));
    d.time.AdvanceBy(RoomWindow::kPollMs + 1);
    EXPECT_EQ(test::BoardText(d.Published(*room)), "waiting | count __0 | time __0");
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
        EXPECT_EQ(CountAfter(2000), "__0") << today;
        EXPECT_EQ(StateOf(d.Published(*room), "TlxCall").caption, "番窓口") << "never refreshed";
    }
}

// The issuer starts a new day and sets a call request before the room's file of that day
// exists: the board shows the previous day, and the request is heard once the file comes.
TEST_F(QueuePollTest, NewTodayAndACallRequestWaitForTheNewDaysQueueFileAndAreTakenOnce) {
    d.folder.Write("chime.wav", "x");
    Issue(Waiting(2), Noon(0));
    Load();
    At(100);
    settings.today = "20240109";
    settings.callSound = "1";
    Configure();
    EXPECT_EQ(CountAfter(5 * RoomWindow::kPollMs), "__2");
    EXPECT_TRUE(d.sound.played.empty()) << "no refresh, no announcement";
    Issue(Waiting(7), Noon(5), "20240109");
    // A poll, and the announcement's retries.
    EXPECT_EQ(CountAfter(2 * RoomWindow::kPollMs), "__7");
    EXPECT_EQ(d.sound.played.size(), 1u);
    EXPECT_NE(d.folder.Read("zarava.ini").find("1CALL SOUND=\r\n"), std::string::npos);
    Issue(Waiting(3), Noon(6), "20240109");
    EXPECT_EQ(CountAfter(2 * RoomWindow::kPollMs), "__3");
    EXPECT_EQ(d.sound.played.size(), 1u) << "the request was taken";
}

TEST_F(QueuePollTest, AnEmptyCounterTextIsWrittenBackOnceAndTheCaptionHasTwoLines) {
    // COUNTER ("-": no key), the counter named on screen and in the file after the refresh
    const std::pair<const char*, const char*> cases[] = {
        {"-", "番窓口"}, {"   ", "番窓口"}, {"受付", "受付"}};
    for (const auto& [counter, shown] : cases) {
        SCOPED_TRACE(counter);
        settings.counter = counter;
        Issue(Waiting(1), Noon(0));
        Load();
        d.time.AdvanceBy(1000); // the first poll, and the write of a settings file just written
        EXPECT_EQ(StateOf(d.Published(*room), "TlxCall").caption,
                  shown + "\r\n　へおこし下さい。"s);
        EXPECT_EQ(ReadSetting(d.time, "DISPLAY INFOMATION", "COUNTER", d.program.IniPath()), shown);
        // Once written, the next refresh finds it and writes nothing.
        const std::string before = d.folder.Read("zarava.ini");
        Issue(Waiting(2), Noon(1));
        d.time.AdvanceBy(3000);
        EXPECT_EQ(d.folder.Read("zarava.ini"), before);
    }
}

TEST_F(QueuePollTest, NoticePanelFollowsMsgTypeAndReadsTheNoticeOnlyWhenTheTypeChanges) {
    Load();
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
        EXPECT_EQ(Shown() == "notice" ? StateOf(d.Published(*room), "MsgxLabel").caption : "-",
                  shown)
            << msgType;
        EXPECT_EQ(room->Notice().MsgActive(), active) << msgType;
    }
}

} // namespace
} // namespace zarava
