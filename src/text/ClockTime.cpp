#include "text/ClockTime.h"

#include "text/FullWidth.h"
#include "text/Text.h"

#include <array>
#include <string>

namespace zarava {

namespace {

enum class Half { None, Morning, Afternoon };

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

struct Marker {
    std::string_view text;
    Half half;
};
constexpr std::array<Marker, 6> kMarkers{{{"A.M.", Half::Morning},
                                          {"P.M.", Half::Afternoon},
                                          {"AM", Half::Morning},
                                          {"PM", Half::Afternoon},
                                          {"午前", Half::Morning},
                                          {"午後", Half::Afternoon}}};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view s) {
    return TrimWhiteSpace(s);
}

// Takes a marker off the end (atEnd) or the start of the text.
Half TakeMarker(std::string_view& s, bool atEnd) {
    for (const Marker& m : kMarkers) {
        if (s.size() < m.text.size()) {
            continue;
        }
        const std::string_view part =
            atEnd ? s.substr(s.size() - m.text.size()) : s.substr(0, m.text.size());
        if (EqualIgnoringAsciiCase(part, m.text)) {
            s = atEnd ? s.substr(0, s.size() - m.text.size()) : s.substr(m.text.size());
            s = TrimBlanks(s);
            return m.half;
        }
    }
    return Half::None;
}

// One to `maxDigits` digits at the start of the text, taken off it.
std::optional<int> TakeNumber(std::string_view& s, std::size_t maxDigits) {
    std::size_t n = 0;
    int value = 0;
    while (n < s.size() && IsDigit(s[n])) {
        // A longer run is no number of ours, and its value would not fit.
        if (n < maxDigits) {
            value = value * 10 + (s[n] - '0');
        }
        ++n;
    }
    if (n == 0 || n > maxDigits) {
        return std::nullopt;
    }
    s.remove_prefix(n);
    return value;
}

bool TakeText(std::string_view& s, std::string_view what) {
    if (s.substr(0, what.size()) != what) {
        return false;
    }
    s.remove_prefix(what.size());
    return true;
}

// A calendar date as the issuer's system writes one: y/m/d, y-m-d, y.m.d, m/d, y年m月d日,
// y年m月 or m月d日. Only its shape is checked: the date is not used.
bool IsKanjiDate(std::string_view s) {
    if (TakeNumber(s, 4) && TakeText(s, "年")) {
        return TakeNumber(s, 2) && TakeText(s, "月") &&
               (s.empty() || (TakeNumber(s, 2) && TakeText(s, "日") && s.empty()));
    }
    return false;
}

bool IsMonthDay(std::string_view s) {
    return TakeNumber(s, 2) && TakeText(s, "月") && TakeNumber(s, 2) && TakeText(s, "日") &&
           s.empty();
}

bool IsNumericDate(std::string_view s) {
    if (!TakeNumber(s, 4) || s.empty() || (s[0] != '/' && s[0] != '-' && s[0] != '.')) {
        return false;
    }
    const char separator = s[0];
    int parts = 1;
    while (!s.empty()) {
        if (!TakeText(s, std::string_view(&separator, 1)) || !TakeNumber(s, 2)) {
            return false;
        }
        ++parts;
    }
    return parts <= 3;
}

bool IsAnyDate(std::string_view s) {
    return IsKanjiDate(s) || IsMonthDay(s) || IsNumericDate(s);
}

// The text with full-width letters, digits and signs folded to ASCII, the ideographic space
// counted as a blank like any other, and trimmed.
std::string FoldForTime(std::string_view text) {
    std::string folded;
    const std::string wide = FoldFullWidthAscii(text);
    for (std::size_t at = 0; at < wide.size();) {
        if (wide.compare(at, kIdeographicSpace.size(), kIdeographicSpace) == 0) {
            folded += ' ';
            at += kIdeographicSpace.size();
        } else {
            folded += wide[at++];
        }
    }
    return std::string(TrimBlanks(folded));
}

// Two or three fields of one or two digits separated by colons, the whole text.
std::optional<std::array<int, 3>> TimeFields(std::string_view time) {
    std::array<int, 3> fields{0, 0, 0};
    std::size_t count = 0;
    for (;;) {
        const std::optional<int> n = TakeNumber(time, 2);
        if (!n || count == fields.size()) {
            return std::nullopt;
        }
        fields[count++] = *n;
        if (time.empty()) {
            break;
        }
        if (!TakeText(time, ":")) {
            return std::nullopt;
        }
    }
    if (count < 2) {
        return std::nullopt;
    }
    return fields;
}

// What stands before the time: nothing, a marker, a date, or a date and a marker, each set off
// by a blank (or the "T" of a date and time). A marker found there sets `half`.
bool AllowedBeforeTime(std::string_view before, Half& half) {
    bool setOff = before.empty() || IsWhiteSpace(before.back());
    before = TrimBlanks(before);
    if (half == Half::None && !before.empty()) {
        const std::size_t size = before.size();
        half = TakeMarker(before, true);
        setOff = setOff || before.size() != size;
    }
    if (before.empty()) {
        return true;
    }
    if (!setOff && (before.back() == 'T' || before.back() == 't')) {
        before.remove_suffix(1);
        setOff = true;
    }
    return setOff && IsAnyDate(TrimBlanks(before));
}

// Seconds since midnight of a time on a 24-hour clock, or a 12-hour one with its half.
std::optional<int> SecondsOfDay(int hour, int minute, int second, Half half) {
    if (minute > 59 || second > 59 || hour > (half == Half::None ? 23 : 12)) {
        return std::nullopt;
    }
    if (half == Half::Morning && hour == 12) {
        hour = 0;
    } else if (half == Half::Afternoon && hour < 12) {
        hour += 12;
    }
    return (hour * 60 + minute) * 60 + second;
}

} // namespace

std::optional<int> ParseClockTime(std::string_view text) {
    const std::string folded = FoldForTime(text);
    std::string_view s = folded;
    Half half = TakeMarker(s, true);
    // The time is the run of digits and colons at the end.
    std::size_t start = s.size();
    while (start > 0 && (IsDigit(s[start - 1]) || s[start - 1] == ':')) {
        --start;
    }
    const std::optional<std::array<int, 3>> fields = TimeFields(s.substr(start));
    if (!fields || !AllowedBeforeTime(s.substr(0, start), half)) {
        return std::nullopt;
    }
    return SecondsOfDay((*fields)[0], (*fields)[1], (*fields)[2], half);
}

} // namespace zarava
