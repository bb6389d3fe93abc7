#pragma once

#include <optional>
#include <string_view>

namespace zarava {

// The time of day of a clock-time text, in seconds since midnight; nothing when the text holds
// no time of day that can be read. Takes what a Japanese Windows issuer writes for a time,
// UTF-8:
//   - "H:MM" or "H:MM:SS", each field of one or two digits (hours 0 to 23);
//   - with "AM" / "PM" (any case, also "A.M." / "P.M.") or "午前" / "午後" before or after it,
//     the hour 0 to 12 of a twelve-hour clock ("午前0:30" is 0:30, "12:10 AM" is 0:10,
//     "午後0:15" and "12:15 PM" are 12:15);
//   - with a date in front, separated by blanks or "T" ("2024/01/08 9:05:03",
//     "2024-01-08T09:05", "2024年1月8日 午後1:05"); the date itself is not used;
//   - in full-width forms as well ("１２：０５").
// Anything else, such as "25:99", "9", "12:00:00.5" or "9時5分", is not a time.
std::optional<int> ParseClockTime(std::string_view text);

} // namespace zarava
