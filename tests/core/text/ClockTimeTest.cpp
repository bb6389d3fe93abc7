#include "text/ClockTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zarava {
namespace {

constexpr int At(int h, int m, int s = 0) {
    return (h * 60 + m) * 60 + s;
}

TEST(ClockTimeTest, ReadsTheTimesOfDayAJapaneseIssuerWrites) {
    const struct {
        const char* text;
        std::optional<int> seconds;
    } cases[] = {
        // Twenty-four-hour clock, fields of one or two digits.
        {"9:05", At(9, 5)},
        {"09:05:03", At(9, 5, 3)},
        {"9:5:3", At(9, 5, 3)},
        {"0:00", 0},
        {"23:59:59", At(23, 59, 59)},
        {"  13:30  ", At(13, 30)},
        // Twelve-hour clock, the marker before or after, with or without a blank.
        {"午後 1:05", At(13, 5)},
        {"午後0:15", At(12, 15)},
        {"午後12:15", At(12, 15)},
        {"午前12:10", At(0, 10)},
        {"1:05pm", At(13, 5)},
        {"12:10 AM", At(0, 10)},
        {"AM 11:59:59", At(11, 59, 59)},
        {"11:00 P.M.", At(23, 0)},
        {"9:05:03 午後", At(21, 5, 3)},
        // A date in front is allowed and not used.
        {"2024/1/8 午後 1:05:00", At(13, 5)},
        {"2024-01-08T09:05", At(9, 5)},
        {"2024.01.08 23:58", At(23, 58)},
        {"2024年1月8日 9:05", At(9, 5)},
        {"1月8日 午前 9:05", At(9, 5)},
        {"1/8 9:05", At(9, 5)},
        // Full-width forms and the ideographic space.
        {"１２：０５", At(12, 5)},
        {"午後　３：０５：０７", At(15, 5, 7)},
        {"１：０５　ＰＭ", At(13, 5)},
        // Not a time of day.
        {"", std::nullopt},
        {"9", std::nullopt},
        {"905", std::nullopt},
        {"24:00", std::nullopt},
        {"9:60", std::nullopt},
        {"9:05:60", std::nullopt},
        {"13:05 PM", std::nullopt},
        {"午後13:05", std::nullopt},
        {"123:05", std::nullopt},
        {"8:52222222222222222", std::nullopt},
        {"9:005", std::nullopt},
        {"9:05:03:01", std::nullopt},
        {"12:00:00.5", std::nullopt},
        {":05", std::nullopt},
        {"9:05:", std::nullopt},
        {"9時5分", std::nullopt},
        {"abc 9:05", std::nullopt},
        {"2024/01/089:05", std::nullopt},
        {"2024/01/08/01 9:05", std::nullopt},
        {"AM PM 9:05", std::nullopt},
        {"-9:05", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseClockTime(c.text), c.seconds) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace zarava
