#include "TempFolder.h"

#include "platform/DateTime.h"
#include "platform/VirtualTime.h"
#include "util/Lib.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

using test::TempFolder;

constexpr LocalDateTime kSunday{2024, 1, 7, 9, 0, 0, 0};
constexpr LocalDateTime kMonday{2024, 1, 8, 9, 0, 0, 0};
constexpr LocalDateTime kFriday{2024, 1, 12, 9, 0, 0, 0};
constexpr LocalDateTime kSaturday{2024, 1, 13, 9, 0, 0, 0};

TEST(LibOpeningDayTest, WeekdayMasks) {
    struct Case {
        int room;
        const char* line; // the room's line in [DAZUZE INFOMATION], nullptr for none
        LocalDateTime day;
        bool open;
    };
    const Case cases[] = {
        {1, "WEEK1=0", kSaturday, true}, // room 1 is never looked up
        {0, "WEEK0=0", kSaturday, true},
        {3, "WEEK3=62", kSaturday, false},
        {3, "WEEK3=62", kSunday, false},
        {3, "WEEK3=62", kMonday, true},
        {3, "WEEK3=62", kFriday, true},
        {6, "WEEK6=64", kSaturday, true},
        {6, "WEEK6=64", kFriday, false},
        {4, nullptr, kSunday, true},
        {5, "WEEK5=abc", kMonday, false},
        {5, "WEEK5=0", kMonday, false},
        {5, "WEEK5= 2 ", kMonday, true},
        {5, "WEEK5=62.5", kMonday, true}, // rounds to 62, halves to even
        {5, "WEEK5=63.5", kSunday, false},
        {5, "WEEK5=63.5", kSaturday, true}, // 64
        {5, "WEEK5=-1", kSunday, true},     // every bit set
        {5, "WEEK5=99999999999", kMonday, false},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        std::string ini = "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\n";
        if (c.line != nullptr) {
            ini += std::string(c.line) + "\r\n";
        }
        dir.Write("zarava.ini", ini);
        VirtualTime time(c.day);
        EXPECT_EQ(IsOpenToday(time, dir / "zarava.ini", c.room), c.open)
            << "room " << c.room << " " << (c.line ? c.line : "(none)") << " on "
            << FormatYmd(c.day);
        if (c.room <= 1) {
            EXPECT_EQ(time.Slept(), 0); // not even a read, so no retry pause
        }
    }
}

TEST(LibOpeningDayTest, EmptyOrMissingMaskIsOpenEveryDay) {
    TempFolder dir;
    dir.Write("zarava.ini", "[DAZUZE INFOMATION]\r\nWEEK2=\r\n");
    for (int offset = 0; offset < 7; ++offset) {
        const LocalDateTime day = AddMilliseconds(kSunday, offset * 86'400'000LL);
        VirtualTime time(day);
        EXPECT_TRUE(IsOpenToday(time, dir / "zarava.ini", 2)) << FormatYmd(day);
        EXPECT_TRUE(IsOpenToday(time, dir / "missing.ini", 3)) << FormatYmd(day);
    }
}

} // namespace
} // namespace zarava
