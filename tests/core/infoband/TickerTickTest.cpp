// The main window's ticker tick over a morning: which line the band gets and when, from the
// settings file and a real news.sjis whose last-write time is set to today or yesterday.

#include "FrameFixture.h"
#include "text/Cp932.h"

#include <filesystem>
#include <string>

namespace zarava {
namespace {

constexpr const char* kClock0900 = "ただいま 09時00分 です。　/　　";
constexpr const char* kBanner = "　　◆◆トピックス 　";

class TickerTickTest : public test::FrameFixture {
protected:
    // FORM keeps the display open; the rest goes into [DISPLAY INFOMATION].
    void StartWith(const std::string& display) {
        WriteIni("[DAZUZE INFOMATION]\r\nDAZUZE1=R1\r\n[USER INFOMATION]\r\nFORM=1\r\n"
                 "[DISPLAY INFOMATION]\r\n" +
                 Utf8ToCp932(display).value());
        Start("1");
    }
    // Moves the virtual time to so many milliseconds after the start.
    void AdvanceTo(std::int64_t ms) {
        ASSERT_LE(time_.Elapsed(), ms);
        time_.AdvanceBy(ms - time_.Elapsed());
    }
    // Sets the file's last-write time to a local time on the test's day (0) or a day before.
    void SetWritten(const std::string& name, int daysBefore, int hour, int minute) {
        ASSERT_TRUE(test::SetLastWrite(temp_.File(name), {2024, 1, 8 - daysBefore, hour, minute}))
            << name;
    }
    const FrameSnapshot& Band() const { return display_->Frame(); }
    // Moves the virtual time as AdvanceTo does; the band then as "pass: line".
    void Expect(std::int64_t ms, const std::string& band) {
        AdvanceTo(ms);
        EXPECT_EQ(std::to_string(Band().tickerPass) + ": " + Band().tickerCaption, band) << ms;
    }
};

TEST_F(TickerTickTest, BandLineFromTimeNewsMessageAndTheNewsFile) {
    // Yesterday's news or none: the band keeps the start-up's line, which is the message alone,
    // and no new pass starts.
    const std::string kept = "kept";
    const struct {
        std::string display; // lines of [DISPLAY INFOMATION]
        const char* file;    // the news file's name, nullptr for none
        std::string bytes;
        int daysOld;
        std::string line; // the band's line after the first tick
    } cases[] = {
        {"TIME=1\r\nMSSG 3=  お知らせ  \r\n", nullptr, "", 0, kClock0900 + std::string("お知らせ")},
        {"TIME=\r\n", nullptr, "", 0, ""},
        {"NEWS=0\r\nMSSG 3=m\r\n", "news.sjis", "A\r\n", 0, "m"},
        {"TIME=1\r\nNEWS=1\r\nMSSG 3=m\r\n", "NEWS.SJIS", "\x95\x5C\r\n", 0,
         kClock0900 + std::string("m") + kBanner + "◆表　　"},
        {"NEWS=1\r\nMSSG 3=m\r\n", "news.sjis", "A\r\n", 1, kept},
        {"NEWS=1\r\nMSSG 3=m\r\n", nullptr, "", 0, kept},
        {"NEWS=2\r\nMSSG 3=m\r\n", "news.sjis", "\x80\r\n", 0,
         "m" + std::string(kBanner) + "◆\uFFFD　　"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.display + " / " + (c.file ? c.file : "-") + " / " + c.line);
        std::filesystem::remove_all(folder_); // a fresh folder for each case
        std::filesystem::create_directory(folder_);
        if (c.file) {
            temp_.Write(c.file, c.bytes);
            SetWritten(c.file, c.daysOld, c.daysOld ? 23 : 0, c.daysOld ? 59 : 1);
        }
        StartWith(c.display);
        const std::string startLine = Band().tickerCaption;
        time_.AdvanceBy(1000 + 1000); // the first tick and its settings retries
        EXPECT_EQ(Band().tickerPass, c.line == kept ? 1u : 2u);
        EXPECT_EQ(Band().tickerCaption, c.line == kept ? startLine : c.line);
        EXPECT_FALSE(Band().tickerRepeat);
    }
}

TEST_F(TickerTickTest, FirstTickAfterOneSecondThenEveryTenWhileNoPassRuns) {
    StartWith("TIME=1\r\nNEWS=0\r\nMSSG 3=  first  \r\n");
    EXPECT_FALSE(Band().tickerRepeat);
    const std::string first = "2: " + std::string(kClock0900) + "first";
    Expect(time_.Elapsed(), "1: first"); // the start-up's own pass, trimmed
    Expect(999, "1: first");
    Expect(1000, first);
    // While the pass runs, ticks change nothing, whatever the settings say.
    SetIniLine("MSSG 3", "second");
    Expect(55000, first);
    // The pass ends at 0:55; the tick at 1:01 starts the next with the time of then.
    PassEnded();
    Expect(60999, first);
    Expect(61000, "3: ただいま 09時01分 です。　/　　second");
}

// A tick whose settings miss waits for their retry before it builds the line: the pass
// starts once, with the line built from the fresh read, which finds what the issuer wrote in
// the pause.
TEST_F(TickerTickTest, ATickWithMissingKeysStartsItsPassAfterTheirRetry) {
    StartWith("NEWS=1\r\n"); // TIME and MSSG 3 missing
    temp_.Write("news.sjis", "n\r\n");
    SetWritten("news.sjis", 0, 8, 0);
    AdvanceTo(1000 + 50);
    WriteIni(Ini() + "MSSG 3=m\r\n"); // the last section's
    Expect(1000 + 99, "1: ");
    Expect(1000 + 100, "2: m" + std::string(kBanner) + "◆n　　");
}

// Once the ticker finds the close pending, it stops for good, even if the issuer comes back.
TEST_F(TickerTickTest, ClosePendingEndsTheTicksForGood) {
    StartWith("TIME=0\r\nNEWS=0\r\nMSSG 3=m\r\n");
    // The watchdog's first pass puts the running mark back into FORM.
    SetIniLine("FORM", "1");
    AdvanceTo(9000);
    while (Form() == "1") {
        time_.AdvanceBy(1);
    }
    const std::int64_t watchdogPass = time_.Elapsed();
    // Ticks come at 1 s, 11 s, 21 s; the one at 21 s must find the close pending, which lasts
    // from a watchdog pass that finds FORM clear until the next pass a second later.
    const std::int64_t tick = 21000;
    const std::int64_t pendingFrom = tick - (tick - watchdogPass) % 2000;
    ASSERT_GT(pendingFrom + 1000, tick) << "no watchdog pass in the second before the tick";
    AdvanceTo(pendingFrom - 1);
    PassEnded(); // the pass from 11 s ends, so the tick at 21 s would start one
    SetIniLine("FORM", "0");
    AdvanceTo(pendingFrom);
    SetIniLine("FORM", "5"); // back before the pass that would close the display
    const std::uint64_t pass = Band().tickerPass;
    AdvanceTo(80000);
    EXPECT_LT(host_.endedWith, 0);
    EXPECT_EQ(Band().tickerPass, pass);
}

} // namespace
} // namespace zarava
