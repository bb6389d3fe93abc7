#include "settings/ProfileEncoding.h"

#include "text/Cp932.h"

namespace zarava {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

unsigned char Byte(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::string& out, char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

// Length of the well-formed UTF-8 sequence at i (no surrogates, nothing above U+10FFFF), or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const unsigned char b0 = Byte(text, i);
    if (b0 < 0x80) {
        return 1;
    }
    const std::size_t length = b0 < 0xC2 ? 0 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : b0 < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size()) {
        return 0;
    }
    const unsigned char low = b0 == 0xE0 ? 0xA0 : b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b0 == 0xED ? 0x9F : b0 == 0xF4 ? 0x8F : 0xBF;
    if (Byte(text, i + 1) < low || Byte(text, i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if ((Byte(text, i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// A lone surrogate of a UTF-16 file, kept in the text in the three-byte form UTF-8 would give
// it, so that it goes back into the file unchanged.
bool IsKeptSurrogate(std::string_view text, std::size_t i) {
    return i + 2 < text.size() && Byte(text, i) == 0xED && Byte(text, i + 1) >= 0xA0 &&
           Byte(text, i + 1) <= 0xBF && (Byte(text, i + 2) & 0xC0) == 0x80;
}

// The code point at i of text this file made (well formed, or a kept surrogate), and its length.
char32_t DecodeAt(std::string_view text, std::size_t i, std::size_t& length) {
    length = IsKeptSurrogate(text, i) ? 3 : SequenceLength(text, i);
    if (length == 0) {
        length = 1;
        return 0xFFFD;
    }
    const unsigned char b0 = Byte(text, i);
    if (length == 1) {
        return b0;
    }
    char32_t c = b0 & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        c = (c << 6) | (Byte(text, i + k) & 0x3F);
    }
    return c;
}

} // namespace

ProfileForm DetectProfileForm(std::string_view bytes) {
    if (bytes.starts_with(kUtf16Mark)) {
        return ProfileForm::Utf16;
    }
    return bytes.starts_with(kUtf8Mark) ? ProfileForm::Utf8 : ProfileForm::Cp932;
}

bool ProfileContent::Load(std::string_view bytes) {
    form_ = DetectProfileForm(bytes);
    if (form_ == ProfileForm::Cp932) {
        view_ = bytes;
        return true;
    }
    if (form_ == ProfileForm::Utf8) {
        view_ = bytes.substr(kUtf8Mark.size());
        return true;
    }
    const std::string_view units = bytes.substr(kUtf16Mark.size());
    converted_.clear();
    converted_.reserve(units.size() * 3 / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const char32_t unit = Byte(units, i) | (Byte(units, i + 1) << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < units.size()) {
            const char32_t low = Byte(units, i + 2) | (Byte(units, i + 3) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(converted_, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(converted_, unit);
    }
    view_ = converted_;
    return units.size() % 2 == 0;
}

std::string ProfileContent::Store(std::string_view text) const {
    if (form_ == ProfileForm::Cp932) {
        return std::string(text);
    }
    if (form_ == ProfileForm::Utf8) {
        return std::string(kUtf8Mark).append(text);
    }
    std::string out(kUtf16Mark);
    out.reserve(text.size() * 2 + 2);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const char32_t c = DecodeAt(text, i, length);
        i += length;
        if (c >= 0x10000) {
            AppendUtf16(out, 0xD800 + ((c - 0x10000) >> 10));
            AppendUtf16(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            AppendUtf16(out, c);
        }
    }
    return out;
}

std::optional<std::string> ProfileContent::FromUtf8(std::string_view utf8) const {
    if (form_ == ProfileForm::Cp932) {
        return Utf8ToCp932(utf8);
    }
    if (!IsValidUtf8(utf8)) {
        return std::nullopt;
    }
    return std::string(utf8);
}

std::string ProfileContent::ToUtf8(std::string_view value) const {
    if (form_ == ProfileForm::Cp932) {
        return Cp932ToUtf8(value);
    }
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t length = SequenceLength(value, i);
        if (length > 0) {
            out.append(value.substr(i, length));
            i += length;
        } else {
            out.append(kReplacement);
            i += IsKeptSurrogate(value, i) ? 3 : 1;
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace zarava
