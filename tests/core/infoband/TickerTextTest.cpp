// The band's line from its parts, and the news file's bytes as NewsText.

#include "infoband/TickerText.h"
#include "infoband/NewsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace zarava {
namespace {

using namespace std::string_literals;

TEST(TickerTextTest, ClockSentenceOnlyWhenTimeIsExactlyOne) {
    std::string clocks; // "C" for each TIME that shows the clock
    for (const char* time :
         {"1", "1.0", "01", "1abc", " 1 ", "", "0", "2", "1.5", "-1", "abc", "0.999"}) {
        clocks += ClockText(time, {2024, 1, 8, 9, 5, 59, 999}).empty() ? "." : "C";
    }
    EXPECT_EQ(clocks, "CCCCC.......");
    EXPECT_EQ(ClockText("1", {2024, 1, 8, 9, 5, 59, 999}), "ただいま 09時05分 です。　/　　");
    EXPECT_EQ(ClockText("1", {2024, 1, 8, 0, 0, 0, 0}), "ただいま 00時00分 です。　/　　");
    EXPECT_EQ(ClockText("1", {2024, 1, 8, 23, 59, 0, 0}), "ただいま 23時59分 です。　/　　");
}

TEST(TickerTextTest, LineIsClockMessageThenBannerAndNewsWhenThereIsNews) {
    // clock, message, news, the line; only ASCII blanks are trimmed from the message
    const std::tuple<const char*, const char*, const char*, std::string> cases[] = {
        {"", "", "", ""},
        {"", "  本日休診  ", "", "本日休診"},
        {"", "\t本日 休診\t", "", "\t本日 休診\t"},
        {"", "　全角　", "", "　全角　"},
        {"C ", " M ", "", "C M"},
        {"C ", " M ", "◆A　　", "C M　　◆◆トピックス 　◆A　　"},
        {"", "", "◆　　", "　　◆◆トピックス 　◆　　"}};
    for (const auto& [clock, message, news, line] : cases) {
        EXPECT_EQ(TickerLine(clock, message, news), line) << message;
    }
}

TEST(NewsFileTest, NewsTextFromTheFilesBytes) {
    using enum NewsBytes;
    // Only blanks go; 0x5C trail bytes stay; "\x41" is an A. The start of a longer file: its cut
    // last line is left out, unless it is the only one.
    const std::tuple<std::string, NewsBytes, std::string> cases[] = {
        {"A\r\nB\r\n", Whole, "◆A　　◆B　　"},
        {"A\r\nB", Whole, "◆A　　◆B　　"},
        {"", Whole, ""},
        {"\r\n\r\n\r\n", Whole, ""},
        {"   \r\n", Whole, "◆　　"},
        {"  A B  \r\n\r\nC", Whole, "◆A B　　◆C　　"},
        {"A\nB\rC\r\r\nD", Whole, "◆A　　◆B　　◆C　　◆D　　"},
        {"\t\x81\x40\x41\x81\x40\t", Whole, "◆\t　A　\t　　"},
        {"\x95\x5C\x83\x5C\x94\x5C", Whole, "◆表ソ能　　"},
        {"\x80\x41\xFF\x82", Whole, "◆\uFFFDA\uFFFD\uFFFD　　"},
        {"A\0B"s, Whole, "◆A\0B　　"s},
        {"A\r\nB\r\nCC", Start, "◆A　　◆B　　"},
        {"A\r\nB\r", Start, "◆A　　◆B　　"},
        {"ABC", Start, "◆ABC　　"},
        {"\x82\xA0\x82", Start, "◆あ　　"}};
    for (const auto& [bytes, kind, news] : cases) {
        EXPECT_EQ(NewsTextFromBytes(bytes, kind), news) << bytes;
    }
}

} // namespace
} // namespace zarava
