#include "settings/ProfileFile.h"

#include "text/Cp932.h"
#include "text/Text.h"

#include <algorithm>
#include <cstring>

namespace zarava {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kLineEnd = "\r\n";

// White space of the profile format: the C library's white space and 1A, the old end-of-file
// mark. The full-width space is text.
constexpr bool IsProfileBlank(char c) {
    return IsWhiteSpace(c) || c == '\x1a';
}

constexpr bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// White space that does not end the line.
constexpr bool IsLineBlank(char c) {
    return IsProfileBlank(c) && !IsLineBreak(c);
}

std::string_view TrimProfileBlanks(std::string_view text) {
    return TrimIf(text, IsProfileBlank);
}

std::size_t CharLength(std::string_view text, std::size_t i, ProfileText form) {
    return form == ProfileText::Cp932 ? Cp932CharLength(text, i) : 1;
}

// The name read from the file against the caller's: ASCII letters folded, both bytes of a
// double-byte character compared as they are.
bool NamesEqual(std::string_view fileName, std::string_view name, ProfileText form) {
    if (fileName.size() != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < fileName.size();) {
        if (CharLength(fileName, i, form) == 2) {
            if (fileName[i] != name[i] || fileName[i + 1] != name[i + 1]) {
                return false;
            }
            i += 2;
        } else {
            if (ToUpperAscii(fileName[i]) != ToUpperAscii(name[i])) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

// Position of the first occurrence of c in [from, to); kNone when there is none.
std::size_t FindByte(std::string_view text, char c, std::size_t from, std::size_t to) {
    if (from >= to) {
        return kNone;
    }
    const auto* hit = static_cast<const char*>(std::memchr(text.data() + from, c, to - from));
    return hit != nullptr ? static_cast<std::size_t>(hit - text.data()) : kNone;
}

// Position of the first CR or LF at or after pos; the size of the file when there is none.
// Neither byte is ever the second byte of a double-byte character.
std::size_t LineBreakFrom(std::string_view file, std::size_t pos) {
    const std::size_t lf = FindByte(file, '\n', pos, file.size());
    const std::size_t limit = lf != kNone ? lf : file.size();
    const std::size_t cr = FindByte(file, '\r', pos, limit);
    return cr != kNone ? cr : limit;
}

// Where the next line starts after the line break at `at` (CR LF counts as one).
std::size_t AfterLineBreak(std::string_view file, std::size_t at) {
    if (at >= file.size()) {
        return file.size();
    }
    return at + (file[at] == '\r' && at + 1 < file.size() && file[at + 1] == '\n' ? 2 : 1);
}

// Where the blanks before pos start, on pos's line.
std::size_t BlanksBefore(std::string_view file, std::size_t pos) {
    while (pos > 0 && IsLineBlank(file[pos - 1])) {
        --pos;
    }
    return pos;
}

// True when only blanks stand between the start of its line and pos. The second byte of a
// double-byte character never passes: its first byte is neither blank nor a line end.
bool StartsLine(std::string_view file, std::size_t pos) {
    const std::size_t start = BlanksBefore(file, pos);
    return start == 0 || IsLineBreak(file[start - 1]);
}

// The '[' of the next section line at or after `from`, found by jumping from '[' to '[': much
// faster than walking every line in between.
std::size_t NextSectionBracket(std::string_view file, std::size_t from) {
    for (std::size_t bracket = FindByte(file, '[', from, file.size()); bracket != kNone;
         bracket = FindByte(file, '[', bracket + 1, file.size())) {
        if (StartsLine(file, bracket)) {
            return bracket;
        }
    }
    return kNone;
}

// The name of a section line whose '[' is at `bracket` and whose line ends at `end`.
std::string_view SectionName(std::string_view file, std::size_t bracket, std::size_t end,
                             ProfileText form) {
    const std::string_view line = file.substr(0, end);
    std::size_t close = end;
    for (std::size_t i = bracket + 1; i < end; i += CharLength(line, i, form)) {
        if (line[i] == ']') {
            close = i;
        }
    }
    return TrimProfileBlanks(file.substr(bracket + 1, close - bracket - 1));
}

struct Section {
    std::size_t headerEnd; // the line break of the section line (or the file's end)
    std::size_t bodyStart; // the line after it
    std::size_t end;       // the start of the next section line, or the file's end
};

// The first section of that name.
std::optional<Section> FindSection(std::string_view file, std::string_view name, ProfileText form) {
    for (std::size_t bracket = NextSectionBracket(file, 0); bracket != kNone;) {
        const std::size_t headerEnd = LineBreakFrom(file, bracket + 1);
        const std::size_t bodyStart = AfterLineBreak(file, headerEnd);
        const std::size_t next = NextSectionBracket(file, bodyStart);
        if (NamesEqual(SectionName(file, bracket, headerEnd, form), name, form)) {
            return Section{headerEnd, bodyStart,
                           next != kNone ? BlanksBefore(file, next) : file.size()};
        }
        bracket = next;
    }
    return std::nullopt;
}

// Whether a key of that name can exist at all: the file's keys are trimmed, end before the
// first '=' of their line, and never start a comment or a section.
bool CanBeKey(std::string_view key) {
    if (key.find_first_of("=\r\n") != kNone) {
        return false;
    }
    return key.empty() || (!IsProfileBlank(key.front()) && !IsProfileBlank(key.back()) &&
                           key.front() != ';' && key.front() != '[');
}

// The position of the '=' when the key line starting at pos (its first non-blank byte) has
// that key; kNone otherwise.
std::size_t KeyEquals(std::string_view file, std::size_t pos, std::size_t to, std::string_view key,
                      ProfileText form) {
    std::size_t i = 0;
    while (i < key.size()) {
        if (pos >= to) {
            return kNone;
        }
        const std::size_t length = CharLength(file, pos, form);
        if (length == 2) {
            if (i + 2 > key.size() || file[pos] != key[i] || file[pos + 1] != key[i + 1]) {
                return kNone;
            }
        } else if (ToUpperAscii(file[pos]) != ToUpperAscii(key[i])) {
            return kNone;
        }
        i += length;
        pos += length;
    }
    while (pos < to && IsLineBlank(file[pos])) {
        ++pos;
    }
    return pos < to && file[pos] == '=' ? pos : kNone;
}

struct ValueSpan {
    std::size_t start; // after the key's '='
    std::size_t end;   // the line break
};

// The first line of [from, to), lines of one section, with that key. Only lines that start
// with the key's first byte (in either case) are looked at: they are found with memchr, so a
// long section costs little more than reading it.
std::optional<ValueSpan> FindKey(std::string_view file, std::size_t from, std::size_t to,
                                 std::string_view key, ProfileText form) {
    if (!CanBeKey(key)) {
        return std::nullopt;
    }
    const char first = key.empty() ? '=' : key.front();
    const char upper = ToUpperAscii(first);
    const char lower = ToLowerAscii(first);
    std::size_t nextUpper = FindByte(file, upper, from, to);
    std::size_t nextLower = upper == lower ? kNone : FindByte(file, lower, from, to);
    for (;;) {
        const std::size_t hit = std::min(nextUpper, nextLower);
        if (hit == kNone) {
            return std::nullopt;
        }
        if (hit == nextUpper) {
            nextUpper = FindByte(file, upper, hit + 1, to);
        } else {
            nextLower = FindByte(file, lower, hit + 1, to);
        }
        if (!StartsLine(file, hit)) {
            continue;
        }
        const std::size_t equals = KeyEquals(file, hit, to, key, form);
        if (equals != kNone) {
            return ValueSpan{equals + 1, LineBreakFrom(file, equals + 1)};
        }
    }
}

// The value's own bytes on its line, without the blanks around them.
ValueSpan TrimmedValue(std::string_view file, ValueSpan span) {
    while (span.start < span.end && IsProfileBlank(file[span.start])) {
        ++span.start;
    }
    while (span.end > span.start && IsProfileBlank(file[span.end - 1])) {
        --span.end;
    }
    return span;
}

// Where a new key line goes: right after the section's last non-blank line, and whether that
// line lacks a line end. Blanks and line ends are never the second byte of a character, so
// the walk back needs no care for them.
std::size_t InsertionPoint(std::string_view file, const Section& section, bool& needsLineEnd) {
    std::size_t pos = section.end;
    while (pos > section.bodyStart && IsProfileBlank(file[pos - 1])) {
        --pos;
    }
    const std::size_t lineEnd =
        pos > section.bodyStart ? LineBreakFrom(file, pos) : section.headerEnd;
    needsLineEnd = lineEnd == file.size();
    return AfterLineBreak(file, lineEnd);
}

// Bytes a code point of this UTF-8 lead byte takes, and what the code page needs for it: one
// byte for ASCII and the half-width katakana, two for the rest.
void MeasureUtf8(std::string_view text, std::size_t i, std::size_t& length, std::size_t& cp932) {
    const auto b = static_cast<unsigned char>(text[i]);
    length = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + length > text.size()) {
        length = 1;
    }
    cp932 = b < 0x80 ? 1 : 2;
    // U+FF61..U+FF9F, the half-width katakana, are EF BD A1..EF BD BF and EF BE 80..EF BE 9F.
    if (length == 3 && b == 0xEF) {
        const auto b1 = static_cast<unsigned char>(text[i + 1]);
        const auto b2 = static_cast<unsigned char>(text[i + 2]);
        if ((b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F)) {
            cp932 = 1;
        }
    }
}

} // namespace

std::string_view TrimNameArgument(std::string_view name) {
    return TrimSpaces(name);
}

bool CanHoldNames(std::string_view section, std::string_view key) {
    section = TrimNameArgument(section);
    return (section.empty() ||
            (!IsProfileBlank(section.front()) && !IsProfileBlank(section.back()))) &&
           CanBeKey(TrimNameArgument(key));
}

std::optional<std::string_view> FindProfileValue(std::string_view file, std::string_view section,
                                                 std::string_view key, ProfileText text) {
    const std::optional<Section> found = FindSection(file, TrimNameArgument(section), text);
    if (!found) {
        return std::nullopt;
    }
    const std::optional<ValueSpan> span =
        FindKey(file, found->bodyStart, found->end, TrimNameArgument(key), text);
    if (!span) {
        return std::nullopt;
    }
    std::string_view value = file.substr(span->start, span->end - span->start);
    // A NUL ends the value as a line end would: what follows it is never read.
    value = TrimProfileBlanks(value.substr(0, value.find('\0')));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

bool HoldsProfileValue(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view value, ProfileText text) {
    value = TrimProfileBlanks(value);
    const std::optional<Section> found = FindSection(file, TrimNameArgument(section), text);
    if (!found) {
        return false;
    }
    const std::optional<ValueSpan> span =
        FindKey(file, found->bodyStart, found->end, TrimNameArgument(key), text);
    if (!span) {
        return false;
    }
    const ValueSpan own = TrimmedValue(file, *span);
    return file.substr(own.start, own.end - own.start) == value;
}

std::string SetProfileValue(std::string_view file, std::string_view section, std::string_view key,
                            std::string_view value, ProfileText text) {
    section = TrimNameArgument(section);
    key = TrimNameArgument(key);
    // Blanks at the ends of a value never read back, and kept they would pile up around the
    // value at every write of it.
    value = TrimProfileBlanks(value);
    std::string out;
    out.reserve(file.size() + section.size() + key.size() + value.size() + 8);
    const std::optional<Section> found = FindSection(file, section, text);
    if (!found) {
        out.append(file);
        if (!file.empty() && !IsLineBreak(file.back())) {
            out.append(kLineEnd);
        }
        out.append("[").append(section).append("]").append(kLineEnd);
        out.append(key).append("=").append(value).append(kLineEnd);
        return out;
    }
    if (const std::optional<ValueSpan> span =
            FindKey(file, found->bodyStart, found->end, key, text)) {
        // Only the value's own bytes change: the blanks around it, like the key's spelling
        // and the line end, stay as the issuer wrote them.
        const ValueSpan own = TrimmedValue(file, *span);
        out.append(file.substr(0, own.start));
        out.append(value);
        out.append(file.substr(own.end));
        return out;
    }
    bool needsLineEnd = false;
    const std::size_t at = InsertionPoint(file, *found, needsLineEnd);
    out.append(file.substr(0, at));
    if (needsLineEnd) {
        out.append(kLineEnd);
    }
    out.append(key).append("=").append(value).append(kLineEnd);
    out.append(file.substr(at));
    return out;
}

std::string_view ClipProfileValue(std::string_view value, std::size_t maxBytes, ProfileText text) {
    std::size_t end = 0;
    std::size_t used = 0;
    while (end < value.size()) {
        std::size_t length = Cp932CharLength(value, end);
        std::size_t cp932 = length;
        if (text == ProfileText::Utf8) {
            MeasureUtf8(value, end, length, cp932);
        }
        if (used + cp932 > maxBytes) {
            break;
        }
        used += cp932;
        end += length;
    }
    return value.substr(0, end);
}

} // namespace zarava
