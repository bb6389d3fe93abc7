#pragma once

namespace zarava {

// A rectangle in pixels (screens, windows) or in design units, as the context says.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A colour as the screen shows it.
struct Rgb {
    unsigned char r = 0;
    unsigned char g = 0;
    unsigned char b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The background of every window and of the band: the window system's button-face grey.
inline constexpr Rgb kWindowBackground{0xF0, 0xF0, 0xF0};

// Colours of the design are stored as 0x00BBGGRR (blue in the high byte).
constexpr Rgb FromBgr(unsigned long bgr) {
    return {static_cast<unsigned char>(bgr & 0xFF), static_cast<unsigned char>((bgr >> 8) & 0xFF),
            static_cast<unsigned char>((bgr >> 16) & 0xFF)};
}

} // namespace zarava
