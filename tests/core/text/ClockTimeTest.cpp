#include "text/ClockTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zarava {
namespace {

constexpr int At(int h, int m, int s = 0) {
    return (h * 60 + m) * 60 + s;
}

// Twenty-four-hour clock with fields of one or two digits; the twelve-hour clock with its
// marker before or after, with or without a blank; a date in front, allowed and not used;
// full-width forms and the ideographic space.
TEST(ClockTimeTest, ReadsTheTimesOfDayAJapaneseIssuerWrites) {
    const std::pair<const char*, int> times[] = {
        {"9:05", At(9, 5)},
        {"09:05:03", At(9, 5, 3)},
        {"9:5:3", At(9, 5, 3)},
        {"0:00", 0},
        {"23:59:59", At(23, 59, 59)},
        {"  13:30  ", At(13, 30)},
        {"午後 1:05", At(13, 5)},
        {"午後0:15", At(12, 15)},
        {"午後12:15", At(12, 15)},
        {"午前12:10", At(0, 10)},
        {"1:05pm", At(13, 5)},
        {"12:10 AM", At(0, 10)},
        {"AM 11:59:59", At(11, 59, 59)},
        {"11:00 P.M.", At(23, 0)},
        {"9:05:03 午後", At(21, 5, 3)},
        {"2024/1/8 午後 1:05:00", At(13, 5)},
        {"2024-01-08T09:05", At(9, 5)},
        {"2024.01.08 23:58", At(23, 58)},
        {"2024年1月8日 9:05", At(9, 5)},
        {"1月8日 午前 9:05", At(9, 5)},
        {"1/8 9:05", At(9, 5)},
        {"１２：０５", At(12, 5)},
        {"午後　３：０５：０７", At(15, 5, 7)},
        {"１：０５　ＰＭ", At(13, 5)},
    };
    for (const auto& [text, seconds] : times) {
        EXPECT_EQ(ParseClockTime(text), seconds) << '"' << text << '"';
    }
    const char* const notTimes[] = {
        "",
        "9",
        "905",
        "24:00",
        "9:60",
        "9:05:60",
        "13:05 PM",
        "午後13:05",
        "123:05",
        "8:52222222222222222",
        "9:005",
        "9:05:03:01",
        "12:00:00.5",
        ":05",
        "9:05:",
        "9時5分",
        "abc 9:05",
        "2024/01/089:05",
        "2024/01/08/01 9:05",
        "AM PM 9:05",
        "-9:05",
    };
    for (const char* text : notTimes) {
        EXPECT_EQ(ParseClockTime(text), std::nullopt) << '"' << text << '"';
    }
}

} // namespace
} // namespace zarava
