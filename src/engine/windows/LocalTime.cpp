#include "engine/LocalTime.h"

#include <windows.h>

namespace zarava {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000; // FILETIME counts 100 ns
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

std::int64_t TicksOf(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                     t.dwLowDateTime);
}

} // namespace

std::int64_t LocalOffsetAt(std::int64_t utcSeconds) {
    const std::int64_t ticks = (utcSeconds + kSecondsFrom1601To1970) * kTicksPerSecond;
    if (ticks < 0) {
        return 0;
    }
    FILETIME utcTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    FILETIME localTime{};
    if (!FileTimeToSystemTime(&utcTime, &utc)) {
        return 0;
    }
    // The zone's rules of that moment's year rather than the offset in force today; the
    // present rules where the system keeps no others.
    TIME_ZONE_INFORMATION zone{};
    const TIME_ZONE_INFORMATION* rules =
        GetTimeZoneInformationForYear(utc.wYear, nullptr, &zone) ? &zone : nullptr;
    if (!SystemTimeToTzSpecificLocalTime(rules, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localTime)) {
        return 0;
    }
    return (TicksOf(localTime) - ticks) / kTicksPerSecond;
}

} // namespace zarava
