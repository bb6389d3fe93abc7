// The main window over a morning: the close watchdog on FORM, the blink phase, the unload.

#include "FrameFixture.h"
#include "LogLines.h"

#include <filesystem>
#include <string>
#include <tuple>

namespace zarava {
namespace {

class LifecycleTest : public test::FrameFixture {
protected:
    void StartWithForm(const std::string& form) {
        // The room's poll finds its keys at once, so no retry delays the close by a tick.
        WriteIni("[DAZUZE INFOMATION]\r\nDAZUZE1=R1\r\n[DISPLAY INFOMATION]\r\nMSG TYPE=0\r\n"
                 "[USER INFOMATION]\r\nTODAY=20240108\r\nFORM=" +
                 form + "\r\n");
        Start("1");
    }
    bool Ended() const { return host_.endedWith >= 0; }
    std::string FormAfter(int ms) {
        time_.AdvanceBy(ms);
        return Form();
    }
};

TEST_F(LifecycleTest,
       WatchdogKeepsTheMarkWhileTheIssuerRunsAndClosesOneSecondAfterItEndsAndLogsWhy) {
    StartWithForm("1");
    EXPECT_EQ(Form(), "5");
    SetIniLine("FORM", "1"); // another copy that ended cleared our mark
    // A write waits a few ms for a file another program has just written to settle, so the
    // times below leave that much room.
    EXPECT_EQ(FormAfter(9990), "1"); // the first pass comes 10 s after the start-up
    EXPECT_EQ(FormAfter(60), "5");
    SetIniLine("FORM", "1");
    EXPECT_EQ(FormAfter(2000), "5"); // every 2 s

    // The issuer ends and is back within the second: the display stays, and the blink phase,
    // which stands still while the close is pending, goes on.
    SetIniLine("FORM", "4");
    time_.AdvanceBy(2000); // close pending from here
    const std::int16_t frozen = program_->blinkPhase.Counter();
    time_.AdvanceBy(900);
    EXPECT_EQ(program_->blinkPhase.Counter(), frozen) << "the phase stands still";
    SetIniLine("FORM", "6");
    EXPECT_EQ(FormAfter(100), "6"); // this pass finds bit 2; bit 4 already set: nothing written
    EXPECT_FALSE(Ended());
    time_.AdvanceBy(600);
    EXPECT_NE(program_->blinkPhase.Counter(), frozen);

    SetIniLine("FORM", "4"); // the issuer ended: the next pass only makes the close pending
    time_.AdvanceBy(2300);
    EXPECT_FALSE(Ended());
    EXPECT_EQ(FormAfter(200), "0"); // one second after that pass
    EXPECT_EQ(host_.endedWith, 0);
    EXPECT_TRUE(host_.frames.back().closed);
    EXPECT_EQ(test::LogLines(temp_), "start: command line \"1\", monitor 1 of 1, rooms 1 of 1\n"
                                     "closing: the issuer bits of FORM stayed clear\n"
                                     "end (exit status 0)\n");
}

// Values the issuer's side might leave in FORM: the display stays exactly as long as an issuer
// bit is set, and never rewrites a value it cannot read back as the same number.
TEST_F(LifecycleTest, OddFormValues) {
    const std::string huge(255, '9');
    // FORM, whether the display stays, FORM after 30 s
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"", false, "0"},    {"abc", false, "0"},                // no number reads as 0
        {"-1", true, "-1"},  {"4294967301", true, "4294967301"}, // 2^32 + 5: bits 1, 4
        {"1e10", true, "5"}, {huge, false, huge},
        {"2.5", true, "6"},  {" 3 ", true, " 7 "}, // the blanks stay
    };
    for (const auto& [form, staysOpen, after] : cases) {
        StartWithForm(form);
        EXPECT_EQ(FormAfter(30000), after) << form;
        EXPECT_EQ(!Ended(), staysOpen) << form;
    }
}

// A settings file that cannot be read for a while is told once when it starts and once when
// it ends, not at every poll.
TEST_F(LifecycleTest, AnUnreadableSettingsFileIsLoggedOnceWhenItStartsAndOnceWhenItEnds) {
    StartWithForm("1");
    const std::string ini = Ini();
    std::filesystem::remove(folder_ / "zarava.ini");
    std::filesystem::create_directory(folder_ / "zarava.ini");
    time_.AdvanceBy(1500); // two polls
    std::filesystem::remove(folder_ / "zarava.ini");
    WriteIni(ini);
    time_.AdvanceBy(3000);
    EXPECT_LT(host_.endedWith, 0);
    EXPECT_EQ(test::LogLines(temp_),
              "start: command line \"1\", monitor 1 of 1, rooms 1 of 1\n"
              "settings file unreadable: FOLDER/zarava.ini: not a file; every setting reads as "
              "empty until it can be read again\n"
              "settings file readable again: FOLDER/zarava.ini\n");
}

TEST_F(LifecycleTest, KeysGoToTheClickedRoomElseTheLowestAndCodesReachTheHandOffFile) {
    WriteIni("[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\nDAZUZE1=R1\r\nDAZUZE2=R2\r\n"
             "[USER INFOMATION]\r\nFORM=1\r\n[ZARAVA1 INFOMATION]\r\nBAR CODE=1\r\n");
    MainFrame& frame = Start("12");
    const int room2 = host_.windowOrder.front(); // shown first
    const int room1 = host_.windowOrder.back();
    const auto type = [&](int window, const std::string& keys) {
        for (const char c : keys) {
            time_.Post([&frame, window, c] { frame.OnKeyPress(window, c); });
        }
        time_.RunPending();
    };
    type(0, "A01234");
    type(room2, "A9876543210B"); // a click on room 2 starts a code of its own there
    type(0, "56789B");           // nothing clicked: room 1 finishes its code
    type(room1, "\r\nA0123456789Bx");
    EXPECT_EQ(temp_.Read("hkcode.tmp"), "A9876543210B\r\nA0123456789B\r\nA0123456789B\r\n");
    // Enter and x were not ours.
    EXPECT_EQ(test::StateOf(host_.windows.at(room1), "BarLabel").caption, "A0123456789B");
    EXPECT_EQ(test::StateOf(host_.windows.at(room2), "BarLabel").caption, "A9876543210B");
}

} // namespace
} // namespace zarava
