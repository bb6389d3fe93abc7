// The band's line from its parts, and the news file's bytes as NewsText.

#include "infoband/TickerText.h"
#include "infoband/NewsFile.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

using namespace std::string_literals;

TEST(TickerTextTest, ClockSentenceOnlyWhenTimeIsExactlyOne) {
    const struct {
        const char* time;
        bool clock;
    } cases[] = {
        {"1", true},    {"1.0", true}, {"01", true},   {"1abc", true},
        {" 1 ", true},  {"", false},   {"0", false},   {"2", false},
        {"1.5", false}, {"-1", false}, {"abc", false}, {"0.999", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(!ClockText(c.time, {2024, 1, 8, 9, 5, 59, 999}).empty(), c.clock) << c.time;
    }
    EXPECT_EQ(ClockText("1", {2024, 1, 8, 9, 5, 59, 999}), "ただいま 09時05分 です。　/　　");
    EXPECT_EQ(ClockText("1", {2024, 1, 8, 0, 0, 0, 0}), "ただいま 00時00分 です。　/　　");
    EXPECT_EQ(ClockText("1", {2024, 1, 8, 23, 59, 0, 0}), "ただいま 23時59分 です。　/　　");
}

TEST(TickerTextTest, LineIsClockMessageThenBannerAndNewsWhenThereIsNews) {
    const struct {
        const char* clock;
        const char* message;
        const char* news;
        std::string line;
    } cases[] = {
        {"", "", "", ""},
        {"", "  本日休診  ", "", "本日休診"},
        {"", "\t本日 休診\t", "", "\t本日 休診\t"}, // only ASCII blanks are trimmed
        {"", "　全角　", "", "　全角　"},
        {"C ", " M ", "", "C M"},
        {"C ", " M ", "◆A　　", "C M　　◆◆トピックス 　◆A　　"},
        {"", "", "◆　　", "　　◆◆トピックス 　◆　　"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TickerLine(c.clock, c.message, c.news), c.line) << c.message;
    }
}

TEST(NewsFileTest, NewsTextFromTheFilesBytes) {
    const struct {
        std::string bytes;
        NewsBytes kind;
        std::string news;
    } cases[] = {
        {"A\r\nB\r\n", NewsBytes::Whole, "◆A　　◆B　　"},
        {"A\r\nB", NewsBytes::Whole, "◆A　　◆B　　"},
        {"", NewsBytes::Whole, ""},
        {"\r\n\r\n\r\n", NewsBytes::Whole, ""},
        {"   \r\n", NewsBytes::Whole, "◆　　"},
        {"  A B  \r\n\r\nC", NewsBytes::Whole, "◆A B　　◆C　　"},
        {"A\nB\rC\r\r\nD", NewsBytes::Whole, "◆A　　◆B　　◆C　　◆D　　"},
        {"\t\x81\x40"
         "A\x81\x40\t",
         NewsBytes::Whole, "◆\t　A　\t　　"},                          // only blanks go
        {"\x95\x5C\x83\x5C\x94\x5C", NewsBytes::Whole, "◆表ソ能　　"}, // 0x5C trail bytes
        {"\x80"
         "A\xFF\x82",
         NewsBytes::Whole, "◆\uFFFDA\uFFFD\uFFFD　　"},
        {"A\0B"s, NewsBytes::Whole, "◆A\0B　　"s},
        // The start of a longer file: its cut last line is left out, unless it is the only one.
        {"A\r\nB\r\nCC", NewsBytes::Start, "◆A　　◆B　　"},
        {"A\r\nB\r", NewsBytes::Start, "◆A　　◆B　　"},
        {"ABC", NewsBytes::Start, "◆ABC　　"},
        {"\x82\xA0\x82", NewsBytes::Start, "◆あ　　"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NewsTextFromBytes(c.bytes, c.kind), c.news) << c.bytes;
    }
}

} // namespace
} // namespace zarava
