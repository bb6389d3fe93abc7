#include "TempFolder.h"

#include "engine/VirtualTime.h"
#include "settings/SettingsSnapshot.h"
#include "window/OpeningDay.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

// Days of January 2024.
constexpr int kSunday = 7, kMonday = 8, kFriday = 12, kSaturday = 13;

TEST(OpeningDayTest, WeekdayMasks) {
    struct Case {
        int room;
        const char* line; // the room's line in [DAZUZE INFOMATION]
        int day;
        bool open;
    };
    const Case cases[] = {
        {1, "WEEK1=0", kSaturday, true}, // room 1 is never looked up
        {0, "WEEK0=0", kSaturday, true},
        {3, "WEEK3=62", kSaturday, false},
        {3, "WEEK3=62", kSunday, false},
        {3, "WEEK3=62", kMonday, true},
        {6, "WEEK6=64", kSaturday, true},
        {6, "WEEK6=64", kFriday, false},
        {4, "", kSunday, true}, // no mask
        {2, "WEEK2=", kSunday, true},
        {5, "WEEK5=abc", kMonday, false},
        {5, "WEEK5=0", kMonday, false},
        {5, "WEEK5= 2 ", kMonday, true},
        {5, "WEEK5=62.5", kMonday, true}, // rounds to 62, halves to even
        {5, "WEEK5=63.5", kSunday, false},
        {5, "WEEK5=63.5", kSaturday, true}, // 64
        {5, "WEEK5=-1", kSunday, true},     // every bit set
        {5, "WEEK5=99999999999", kMonday, false},
    };
    test::TempFolder dir;
    for (const Case& c : cases) {
        dir.Write("zarava.ini",
                  "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n" + std::string(c.line) + "\r\n");
        VirtualTime time;
        SettingsSnapshot settings(dir / "zarava.ini", &time);
        EXPECT_EQ(IsOpenToday(settings, {2024, 1, c.day, 9, 0, 0, 0}, c.room), c.open)
            << "room " << c.room << " " << c.line << " on " << c.day;
        if (c.room <= 1) {
            EXPECT_EQ(time.Slept(), 0); // not even a read, so no retry pause
        }
    }
    VirtualTime time;
    SettingsSnapshot missing(dir / "missing.ini", &time);
    EXPECT_TRUE(IsOpenToday(missing, {2024, 1, 8, 9, 0, 0, 0}, 3));
}

} // namespace
} // namespace zarava
