#pragma once

#include <cstdint>
#include <string>

namespace zarava {

// A local calendar date and time of day, as the clock and file times give it.
struct LocalDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Days since 1970-01-01 of a proleptic Gregorian date (negative before it).
std::int64_t DaysFromCivil(int year, int month, int day);

// The date of a day count since 1970-01-01.
LocalDateTime CivilFromDays(std::int64_t days);

// True when year, month and day name a real date (1..9999).
bool IsValidDate(int year, int month, int day);

// Day of week of a valid date, 1 for Sunday up to 7 for Saturday.
int WeekdayNumber(int year, int month, int day);

// Date-time values as the shared folder's programs count them: days since midnight of
// 30 December 1899, the time of day as the fraction.
double ToDateValue(const LocalDateTime& t);

// "yyyymmdd" of a date.
std::string FormatYmd(const LocalDateTime& t);

// Adds milliseconds to a local date-time (no time zone involved: wall-clock arithmetic).
LocalDateTime AddMilliseconds(const LocalDateTime& t, std::int64_t ms);

} // namespace zarava
