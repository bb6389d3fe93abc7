#include "TempFolder.h"

#include "engine/VirtualTime.h"
#include "settings/SettingsSnapshot.h"
#include "window/OpeningDay.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace zarava {
namespace {

using namespace std::string_literals;

// Days of January 2024. That the rooms follow their masks (on a Monday: 127, 64, 62, 0, "x",
// none) the start-up tests show on the frame; here is which bit each day is, and the numbers
// only a lenient reading gives.
constexpr int kSunday = 7, kMonday = 8, kFriday = 12, kSaturday = 13;

TEST(OpeningDayTest, WeekdayMasks) {
    // The room, its line in [DAZUZE INFOMATION], the day, and whether it opens that day.
    const std::tuple<int, const char*, int, bool> cases[] = {
        {1, "WEEK1=0", kSaturday, true}, // room 1 is never looked up
        {0, "WEEK0=0", kSaturday, true},
        {3, "WEEK3=62", kSaturday, false},
        {3, "WEEK3=62", kSunday, false},
        {6, "WEEK6=64", kSaturday, true},
        {6, "WEEK6=64", kFriday, false},
        {6, "WEEK6=1", kSunday, true},
        {2, "WEEK2=", kSunday, true},
        {5, "WEEK5= 2 ", kMonday, true},
        {5, "WEEK5=62.5", kMonday, true}, // rounds to 62, halves to even
        {5, "WEEK5=63.5", kSunday, false},
        {5, "WEEK5=63.5", kSaturday, true}, // 64
        {5, "WEEK5=-1", kSunday, true},     // every bit set
        {5, "WEEK5=99999999999", kMonday, false},
    };
    test::TempFolder dir;
    for (const auto& [room, line, day, open] : cases) {
        dir.Write("zarava.ini",
                  "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n" + std::string(line) + "\r\n");
        VirtualTime time;
        SettingsSnapshot settings(dir / "zarava.ini", &time);
        EXPECT_EQ(IsOpenToday(settings, {2024, 1, day, 9, 0, 0, 0}, room), open)
            << "room " << room << " " << line << " on " << day;
        if (room <= 1) {
            EXPECT_EQ(time.Slept(), 0); // not even a read, so no retry pause
        }
    }
    VirtualTime time;
    SettingsSnapshot missing(dir / "missing.ini", &time);
    EXPECT_TRUE(IsOpenToday(missing, {2024, 1, 8, 9, 0, 0, 0}, 3));
}

TEST(OpeningDayTest, WeekdayOfDateText) {
    // The day is the last two characters, whatever the length: 2024011 is 2024-01-11.
    const std::pair<const char*, int> dates[] = {{"20240107", 1},  {"20240113", 7}, {"20240229", 5},
                                                 {"19000101", 2},  {"99991231", 6}, {"2024011", 5},
                                                 {"2024011315", 2}};
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
