#include "text/ClockTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {
namespace {

constexpr int At(int h, int m, int s = 0) {
    return (h * 60 + m) * 60 + s;
}

// Twenty-four-hour clock with fields of one or two digits; the twelve-hour clock with its
// marker before or after, with or without a blank; a date in front, allowed and not used;
// full-width forms and the ideographic space.
TEST(ClockTimeTest, ReadsTheTimesOfDayAJapaneseIssuerWrites) {
    const std::pair<int, std::vector<std::string_view>> times[] = {
        {At(9, 5),
         {"9:05", "2024-01-08T09:05", "2024年1月8日 9:05", "1月8日 午前 9:05", "1/8 9:05"}},
        {At(9, 5, 3), {"09:05:03", "9:5:3"}},
        {At(13, 5), {"午後 1:05", "1:05pm", "2024/1/8 午後 1:05:00", "１：０５　ＰＭ"}},
        {At(12, 15), {"午後0:15", "午後12:15"}},
        {At(0, 10), {"午前12:10", "12:10 AM"}},
        {0, {"0:00"}},
        {At(23, 59, 59), {"23:59:59"}},
        {At(13, 30), {"  13:30  "}},
        {At(11, 59, 59), {"AM 11:59:59"}},
        {At(23, 0), {"11:00 P.M."}},
        {At(21, 5, 3), {"9:05:03 午後"}},
        {At(23, 58), {"2024.01.08 23:58"}},
        {At(12, 5), {"１２：０５"}},
        {At(15, 5, 7), {"午後　３：０５：０７"}},
    };
    for (const auto& [seconds, texts] : times) {
        for (const std::string_view text : texts) {
            EXPECT_EQ(ParseClockTime(text), seconds) << '"' << text << '"';
        }
    }
    // Texts that are no time of day, separated by '|': the empty text first.
    std::istringstream notTimes("|9|905|24:00|9:60|9:05:60|13:05 PM|午後13:05|123:05|"
                                "8:52222222222222222|9:005|9:05:03:01|12:00:00.5|:05|9:05:|9時5分|"
                                "abc 9:05|2024/01/089:05|2024/01/08/01 9:05|AM PM 9:05|-9:05");
    for (std::string text; std::getline(notTimes, text, '|');) {
        EXPECT_EQ(ParseClockTime(text), std::nullopt) << '"' << text << '"';
    }
}

} // namespace
} // namespace zarava
