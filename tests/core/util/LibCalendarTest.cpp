#include "util/Lib.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

TEST(LibCalendarTest, WeekdayOfDateText) {
    struct Case {
        std::string text;
        int weekday;
    };
    const Case cases[] = {
        {"20240107", 1}, // Sunday
        {"20240108", 2},
        {"20240113", 7}, // Saturday
        {"20240229", 5}, // leap day
        {"19000101", 2},
        {"99991231", 6},
        // The day is the last two characters, whatever the length.
        {"2024011", 5},    // 2024-01-11
        {"2024011315", 2}, // Monday 2024-01-15
        {"20241301", 0},   // month 13
        {"20230229", 0},   // not a leap year
        {"20240132", 0},
        {"00000101", 0},
        {"", 0},
        {"20241", 0},
        {"2024-1-13", 0},
        {" 2024011", 0},
        {"2024O113", 0},
        {"20240113\r\n", 0},
        {std::string("2024\0"
                     "113",
                     8),
         0},
        {"\x95\x5c\x82\xa0\x82\xa2\x82\xa4", 0}, // Shift_JIS bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WeekdayOfDateText(c.text), c.weekday) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace zarava
