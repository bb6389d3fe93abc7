#include "window/OpeningDay.h"

#include "engine/DateTime.h"
#include "settings/SettingsSnapshot.h"
#include "text/Numbers.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace zarava {

namespace {

bool IsDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int DigitsValue(std::string_view s) {
    int value = 0;
    for (const char c : s) {
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

int WeekdayOfDateText(std::string_view text) {
    const std::string_view year = text.substr(0, 4);
    const std::string_view month = text.size() > 4 ? text.substr(4, 2) : std::string_view();
    const std::string_view day = text.size() >= 2 ? text.substr(text.size() - 2) : text;
    if (year.size() != 4 || !IsDigits(year) || !IsDigits(month) || !IsDigits(day)) {
        return 0;
    }
    const int y = DigitsValue(year);
    const int m = DigitsValue(month);
    const int d = DigitsValue(day);
    if (!IsValidDate(y, m, d)) {
        return 0;
    }
    return WeekdayNumber(y, m, d);
}

bool IsOpenToday(SettingsSnapshot& settings, const LocalDateTime& now, int room) {
    if (room <= 1) {
        return true;
    }
    const int weekday = WeekdayOfDateText(FormatYmd(now));
    std::string mask = settings.Read("DAZUZE INFOMATION", "WEEK" + NumberText(room));
    if (mask.empty()) {
        mask = "127";
    }
    // A mask too large for 32 bits is no mask at all: the room counts as closed.
    const std::optional<std::int32_t> bits = ToInt32(LenientNumber(mask));
    if (!bits || weekday < 1 || weekday > 7) {
        return false;
    }
    return ((static_cast<std::uint32_t>(*bits) >> (weekday - 1)) & 1u) != 0;
}

} // namespace zarava
