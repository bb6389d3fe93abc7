#include "engine/DateTime.h"

#include <cstdio>

namespace zarava {

namespace {
constexpr std::int64_t kDaysFrom1899To1970 = 25569; // 1899-12-30 .. 1970-01-01
constexpr std::int64_t kMsPerDay = 86'400'000;
} // namespace

// Howard Hinnant's public-domain civil calendar algorithms.
std::int64_t DaysFromCivil(int year, int month, int day) {
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = month > 2 ? month - 3 : month + 9;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDateTime CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    LocalDateTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = t.minute = t.second = t.millisecond = 0;
    return t;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

int WeekdayNumber(int year, int month, int day) {
    const std::int64_t days = DaysFromCivil(year, month, day);
    // 1970-01-01 was a Thursday (5 when Sunday is 1).
    const std::int64_t w = ((days + 4) % 7 + 7) % 7; // 0 = Sunday
    return static_cast<int>(w) + 1;
}

double ToDateValue(const LocalDateTime& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day) + kDaysFrom1899To1970;
    const std::int64_t ms =
        ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 +
        t.millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

std::string FormatYmd(const LocalDateTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year % 10000, t.month % 100, t.day % 100);
    return buf;
}

LocalDateTime AddMilliseconds(const LocalDateTime& t, std::int64_t ms) {
    std::int64_t total =
        DaysFromCivil(t.year, t.month, t.day) * kMsPerDay +
        ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 +
        t.millisecond + ms;
    std::int64_t days = total / kMsPerDay;
    std::int64_t rest = total % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    LocalDateTime r = CivilFromDays(days);
    r.hour = static_cast<int>(rest / 3'600'000);
    r.minute = static_cast<int>(rest / 60'000 % 60);
    r.second = static_cast<int>(rest / 1000 % 60);
    r.millisecond = static_cast<int>(rest % 1000);
    return r;
}

} // namespace zarava
