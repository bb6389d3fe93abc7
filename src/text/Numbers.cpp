#include "text/Numbers.h"

#include "text/Text.h"

#include <cmath>
#include <limits>

namespace zarava {

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

double LenientNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Digits and one decimal point; blanks between digits are skipped as the classic
    // conversion does ("1 2" is 12).
    double whole = 0;
    double fraction = 0;
    double scale = 1;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            if (point) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else if (c == '.' && !point) {
            point = true;
        } else if (!IsWhiteSpace(c)) {
            break;
        }
    }
    const double value = whole + fraction;
    if (!std::isfinite(value)) {
        return 0;
    }
    return negative ? -value : value;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff > 0.5) {
        return lower + 1;
    }
    if (diff < 0.5) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::optional<std::int32_t> ToInt32(double value) {
    const double r = RoundHalfEven(value);
    if (!(r >= std::numeric_limits<std::int32_t>::min() &&
          r <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(r);
}

std::optional<std::int16_t> ToInt16(double value) {
    const double r = RoundHalfEven(value);
    if (!(r >= std::numeric_limits<std::int16_t>::min() &&
          r <= std::numeric_limits<std::int16_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(r);
}

std::string NumberText(std::int64_t value) {
    return std::to_string(value);
}

} // namespace zarava
