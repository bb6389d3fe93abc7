#pragma once

#include <string>
#include <string_view>

namespace zarava {

struct LocalDateTime;
class SettingsSnapshot;

// The rooms' opening days: in "-tolv" mode only the rooms open today get a window.

// Whether the room is open on the day of `now` by its weekday mask WEEK<room> in the settings
// (bit 1 Sunday .. 64 Saturday, missing or empty = every day, not a number = never). Room 1
// (and below) is always open and its mask is not read.
bool IsOpenToday(SettingsSnapshot& settings, const LocalDateTime& now, int room);

// The weekday of a "yyyymmdd" text, 1 for Sunday up to 7 for Saturday; 0 when the text does
// not name a real date. The year is the first four characters, the month the two from the
// fifth, the day the last two.
int WeekdayOfDateText(std::string_view text);

} // namespace zarava
