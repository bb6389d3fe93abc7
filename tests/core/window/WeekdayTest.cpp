#include "window/OpeningDay.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

using namespace std::string_literals;

TEST(WeekdayTest, WeekdayOfDateText) {
    const std::pair<const char*, int> dates[] = {
        {"20240107", 1}, // Sunday
        {"20240108", 2},
        {"20240113", 7}, // Saturday
        {"20240229", 5}, // leap day
        {"19000101", 2},
        {"99991231", 6},
        // The day is the last two characters, whatever the length.
        {"2024011", 5},    // 2024-01-11
        {"2024011315", 2}, // Monday 2024-01-15
    };
    for (const auto& [text, weekday] : dates) {
        EXPECT_EQ(WeekdayOfDateText(text), weekday) << text;
    }
    // Month 13, no leap year, day 32, year 0, too short, not digits, Shift_JIS bytes.
    const std::string invalid[] = {
        "20241301", "20230229",     "20240132",     "00000101",
        "",         "20241",        "2024-1-13",    " 2024011",
        "2024O113", "20240113\r\n", "2024\000113"s, "\x95\x5c\x82\xa0\x82\xa2\x82\xa4"};
    for (const std::string& text : invalid) {
        EXPECT_EQ(WeekdayOfDateText(text), 0) << '"' << text << '"';
    }
}

} // namespace
} // namespace zarava
