#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// The lenient conversion every numeric setting and field goes through: the leading decimal
// number of the text, blanks skipped, with an optional sign and decimal point. Text without a
// number, and empty text, give 0, so "0", empty and missing mean the same for every switch.
double LenientNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// The rounded number as a 32-bit or 16-bit integer; nothing when it does not fit.
std::optional<std::int32_t> ToInt32(double value);
std::optional<std::int16_t> ToInt16(double value);

// A whole number as the settings file holds it: decimal, no blanks.
std::string NumberText(std::int64_t value);

} // namespace zarava
