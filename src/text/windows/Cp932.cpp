#include "text/Cp932.h"

#include <windows.h>

namespace zarava {

namespace {

constexpr UINT kCodePage = 932;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The UTF-16 form of bytes in a code page; nothing when a byte sequence is not valid there.
std::optional<std::wstring> Widen(UINT codePage, std::string_view bytes) {
    const int size = static_cast<int>(bytes.size());
    const int length =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length);
    return wide;
}

// The bytes of UTF-16 text in a code page; nothing when a character has no exact form there
// (the system would otherwise put a look-alike or '?' in its place).
std::optional<std::string> Narrow(UINT codePage, std::wstring_view wide) {
    const int size = static_cast<int>(wide.size());
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL guessed = FALSE;
    BOOL* const guessedOut = codePage == CP_UTF8 ? nullptr : &guessed;
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, guessedOut);
    if (length <= 0 || guessed) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, nullptr,
                        guessedOut);
    return bytes;
}

// Single bytes that the system's table gives private-use characters for, though no code page
// 932 text holds them.
bool IsUnassignedSingleByte(unsigned char b) {
    return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

std::optional<std::string> Cp932CharToUtf8(std::string_view character) {
    if (character.size() == 1 && IsUnassignedSingleByte(static_cast<unsigned char>(character[0]))) {
        return std::nullopt;
    }
    const std::optional<std::wstring> wide = Widen(kCodePage, character);
    return wide ? Narrow(CP_UTF8, *wide) : std::nullopt;
}

bool HoldsUnassignedSingleByte(std::string_view cp932) {
    for (std::size_t i = 0; i < cp932.size(); i += Cp932CharLength(cp932, i)) {
        if (Cp932CharLength(cp932, i) == 1 &&
            IsUnassignedSingleByte(static_cast<unsigned char>(cp932[i]))) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    // ASCII is the same in both, and it is what nearly every setting holds.
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    const std::optional<std::wstring> wide = Widen(CP_UTF8, utf8);
    return wide ? Narrow(kCodePage, *wide) : std::nullopt;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) {
        return std::string(cp932);
    }
    // Text that decodes whole goes in one call; otherwise character by character, so that
    // each one that does not decode becomes one replacement and the rest is kept.
    if (!HoldsUnassignedSingleByte(cp932)) {
        if (const std::optional<std::wstring> wide = Widen(kCodePage, cp932)) {
            if (std::optional<std::string> utf8 = Narrow(CP_UTF8, *wide)) {
                return std::move(*utf8);
            }
        }
    }
    std::string out;
    out.reserve(cp932.size() * 3);
    for (std::size_t i = 0; i < cp932.size();) {
        const std::size_t length = Cp932CharLength(cp932, i);
        const std::optional<std::string> character = Cp932CharToUtf8(cp932.substr(i, length));
        out += character ? std::string_view(*character) : kReplacement;
        i += length;
    }
    return out;
}

} // namespace zarava
