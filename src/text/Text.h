#pragma once

#include <string>
#include <string_view>

namespace zarava {

// Small text rules shared by the settings, the queue and news files and the command line.
// They work on bytes: ASCII letters and blanks never occur inside a UTF-8 multi-byte character,
// so they are safe on UTF-8 text; on code page 932 bytes a caller must step over double-byte
// characters itself (see Cp932.h).

// The blank of the issuer's "trim": the space character only. A tab or a full-width space is
// text and stays.
constexpr bool IsSpace(char c) {
    return c == ' ';
}

// White space as the C library counts it in the "C" locale: tab, line feed, vertical tab,
// form feed, carriage return and space.
constexpr bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The text without the bytes that `isBlank` accepts at either end.
template <typename Blank> constexpr std::string_view TrimIf(std::string_view text, Blank isBlank) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// The text without spaces at either end.
std::string_view TrimSpaces(std::string_view text);

// The text without white space at either end.
std::string_view TrimWhiteSpace(std::string_view text);

constexpr char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with its ASCII letters in lower case; every other byte unchanged.
std::string ToLowerAscii(std::string_view text);

// True when the texts are equal once their ASCII letters are folded to one case.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when the text ends with the suffix, ASCII letters compared without regard to case.
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

} // namespace zarava
