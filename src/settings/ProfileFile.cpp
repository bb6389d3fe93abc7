#include "settings/ProfileFile.h"

#include "text/Cp932.h"

#include <cstring>

namespace zarava {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x09 && b <= 0x0D) || b == 0x1A || b == 0x20;
}

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

char FoldAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size();) {
        if (Cp932CharLength(a, i) == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            i += 2;
        } else {
            if (FoldAscii(a[i]) != FoldAscii(b[i])) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

// One line: its content [start, end) and where the next line starts, after one line end
// (CR LF, CR or LF). end == next for a last line without a line end.
struct Line {
    std::size_t start;
    std::size_t end;
    std::size_t next;
};

Line LineAt(std::string_view file, std::size_t pos) {
    const char* begin = file.data() + pos;
    const char* stop = file.data() + file.size();
    const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', stop - begin));
    const char* limit = lf != nullptr ? lf : stop;
    const auto* cr = static_cast<const char*>(std::memchr(begin, '\r', limit - begin));
    Line line{pos, file.size(), file.size()};
    if (cr != nullptr) {
        line.end = cr - file.data();
        line.next = line.end + (cr + 1 == lf ? 2 : 1);
    } else if (lf != nullptr) {
        line.end = lf - file.data();
        line.next = line.end + 1;
    }
    return line;
}

// Position of the first occurrence of c in [from, to) that is a character of its own, not the
// second byte of a double-byte one; kNone when there is none.
std::size_t FindChar(std::string_view text, char c, std::size_t from, std::size_t to) {
    const std::string_view part = text.substr(0, to);
    for (std::size_t i = from; i < to; i += Cp932CharLength(part, i)) {
        if (part[i] == c) {
            return i;
        }
    }
    return kNone;
}

// The name of a section line whose '[' is at `bracket`.
std::string_view SectionName(std::string_view file, std::size_t bracket, std::size_t end) {
    const std::string_view line = file.substr(0, end);
    std::size_t close = end;
    for (std::size_t i = bracket + 1; i < end; i += Cp932CharLength(line, i)) {
        if (line[i] == ']') {
            close = i;
        }
    }
    return TrimBlanks(file.substr(bracket + 1, close - bracket - 1));
}

// The header line of the first section of that name. Section lines are found by jumping from
// '[' to '[' and keeping those with only blanks before them on their line, which is much
// faster than walking every line of the sections before it.
std::optional<Line> FindSection(std::string_view file, std::string_view section) {
    std::size_t from = 0;
    while (from < file.size()) {
        const auto* hit =
            static_cast<const char*>(std::memchr(file.data() + from, '[', file.size() - from));
        if (hit == nullptr) {
            return std::nullopt;
        }
        const std::size_t bracket = hit - file.data();
        from = bracket + 1;
        // A '[' that is the second byte of a double-byte character has its first byte before
        // it, which is neither blank nor a line end, so it never passes this test.
        std::size_t start = bracket;
        while (start > 0 && IsBlank(file[start - 1]) && !IsLineBreak(file[start - 1])) {
            --start;
        }
        if (start > 0 && !IsLineBreak(file[start - 1])) {
            continue;
        }
        const Line line = LineAt(file, start);
        if (NamesEqual(SectionName(file, bracket, line.end), section)) {
            return line;
        }
        from = line.next;
    }
    return std::nullopt;
}

struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    // The key's line after its first '=' up to its line end.
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    // Where a new key line goes, and whether a line end must come first.
    std::size_t insertAt = 0;
    bool insertNeedsLineEnd = false;
};

Location Locate(std::string_view file, std::string_view section, std::string_view key) {
    Location found;
    const std::optional<Line> header = FindSection(file, section);
    if (!header) {
        return found;
    }
    found.sectionFound = true;
    Line lastNonBlank = *header;
    for (std::size_t pos = header->next; pos < file.size();) {
        const Line line = LineAt(file, pos);
        pos = line.next;
        std::size_t start = line.start;
        while (start < line.end && IsBlank(file[start])) {
            ++start;
        }
        if (start == line.end) {
            continue;
        }
        if (file[start] == '[') {
            break;
        }
        lastNonBlank = line;
        if (file[start] == ';') {
            continue;
        }
        const std::size_t equals = FindChar(file, '=', start, line.end);
        if (equals == kNone) {
            continue;
        }
        if (NamesEqual(TrimBlanks(file.substr(start, equals - start)), key)) {
            found.keyFound = true;
            found.valueStart = equals + 1;
            found.valueEnd = line.end;
            return found;
        }
    }
    found.insertAt = lastNonBlank.next;
    found.insertNeedsLineEnd = lastNonBlank.end == lastNonBlank.next;
    return found;
}

} // namespace

std::string_view TrimNameArgument(std::string_view name) {
    const std::size_t begin = name.find_first_not_of(' ');
    if (begin == kNone) {
        return {};
    }
    return name.substr(begin, name.find_last_not_of(' ') - begin + 1);
}

std::optional<std::string_view> FindProfileValue(std::string_view file, std::string_view section,
                                                 std::string_view key) {
    const Location at = Locate(file, TrimNameArgument(section), TrimNameArgument(key));
    if (!at.keyFound) {
        return std::nullopt;
    }
    std::string_view value = TrimBlanks(file.substr(at.valueStart, at.valueEnd - at.valueStart));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

std::string SetProfileValue(std::string_view file, std::string_view section, std::string_view key,
                            std::string_view value) {
    section = TrimNameArgument(section);
    key = TrimNameArgument(key);
    const Location at = Locate(file, section, key);
    std::string out;
    out.reserve(file.size() + section.size() + key.size() + value.size() + 8);
    if (at.keyFound) {
        // Only the value's own bytes change: the blanks around it, like the key's spelling
        // and the line end, stay as the issuer wrote them.
        std::size_t begin = at.valueStart;
        std::size_t end = at.valueEnd;
        while (begin < end && IsBlank(file[begin])) {
            ++begin;
        }
        while (end > begin && IsBlank(file[end - 1])) {
            --end;
        }
        out.append(file.substr(0, begin));
        out.append(value);
        out.append(file.substr(end));
    } else if (at.sectionFound) {
        out.append(file.substr(0, at.insertAt));
        if (at.insertNeedsLineEnd) {
            out.append(kLineEnd);
        }
        out.append(key).append("=").append(value).append(kLineEnd);
        out.append(file.substr(at.insertAt));
    } else {
        out.append(file);
        if (!file.empty() && !IsLineBreak(file.back())) {
            out.append(kLineEnd);
        }
        out.append("[").append(section).append("]").append(kLineEnd);
        out.append(key).append("=").append(value).append(kLineEnd);
    }
    return out;
}

std::string_view ClipProfileValue(std::string_view value, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < value.size()) {
        const std::size_t next = end + Cp932CharLength(value, end);
        if (next > maxBytes) {
            break;
        }
        end = next;
    }
    return value.substr(0, end);
}

} // namespace zarava
