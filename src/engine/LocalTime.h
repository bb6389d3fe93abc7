#pragma once

#include <cstdint>

namespace zarava {

// How far local time is ahead of UTC, in seconds, at the moment given as seconds since
// 1970-01-01 UTC: the system's time zone rules for that moment, daylight saving included, so
// that a file written at noon in summer still reads as noon in winter. 0 where the system
// cannot tell.
std::int64_t LocalOffsetAt(std::int64_t utcSeconds);

} // namespace zarava
