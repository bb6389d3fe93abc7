#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// Text of the shared folder is in code page 932; the program works in UTF-8. The conversion
// goes through the system's own codec: the C library's "CP932" (its plain "SHIFT_JIS" maps
// 0x5C to the yen sign and lacks the vendor rows, circled digits and the like, that the issuer
// writes), or Windows' code page 932 itself.

// A byte that starts a double-byte character.
constexpr bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A byte that can follow a lead byte. '[', '\\', ']' and the ASCII letters are among them, so
// scanning for those must step over whole characters.
constexpr bool IsCp932TrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Length in bytes (1 or 2) of the character that starts at text[i]. A lead byte without a
// valid second byte counts as a character of its own, so that it never hides the byte after it.
inline std::size_t Cp932CharLength(std::string_view text, std::size_t i) {
    if (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
        IsCp932TrailByte(static_cast<unsigned char>(text[i + 1]))) {
        return 2;
    }
    return 1;
}

// The code page 932 form of UTF-8 text; nothing when the text is not valid UTF-8 or holds a
// character that the code page cannot express (so no guessed byte is ever written).
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// The UTF-8 form of code page 932 bytes. Whatever does not decode (a stray lead byte, an
// unassigned pair, 0x80, 0xA0, 0xFD..0xFF) becomes U+FFFD, one per character, and decoding
// goes on after it.
std::string Cp932ToUtf8(std::string_view cp932);

} // namespace zarava
