#pragma once

#include <windows.h>

#include <string>

namespace zarava {

// The face Windows draws a design's font name in: the name itself where it is installed (on a
// Japanese Windows "ＭＳ Ｐゴシック" and the others are), else the free face of the same cut that
// Wine and a bare system find through fontconfig (IPAPGothic ...), else the name, which leaves
// the choice to the system's font mapper.
std::wstring DesignFace(const char* utf8Name);

// A font of the design's face whose em is `pixels` high, anti-aliased in grey, so the text looks
// the same on every panel and in screenshots.
class GdiFont {
public:
    GdiFont(const char* utf8Name, int pixels, bool bold);
    ~GdiFont();
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;

    HFONT Handle() const { return font_; }
    int Pixels() const { return pixels_; }

private:
    HFONT font_;
    int pixels_;
};

// Where the baseline goes so that the ink of `text` (drawn in the font selected into `dc`) is
// centred on `centreY`: the ink, not the font's ascent and descent, because the faces keep room
// above Japanese characters that would push them down. Text without ink sits as a line box.
int BaselineForInkCentre(HDC dc, const std::wstring& text, double centreY);

// The advance of `text` in the font selected into `dc`.
int TextAdvance(HDC dc, const std::wstring& text);

// A memory device context with a bitmap of the given size selected, for drawing off screen.
class OffscreenDc {
public:
    OffscreenDc(HDC like, int width, int height);
    ~OffscreenDc();
    OffscreenDc(const OffscreenDc&) = delete;
    OffscreenDc& operator=(const OffscreenDc&) = delete;

    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

inline COLORREF ToColorRef(unsigned char r, unsigned char g, unsigned char b) {
    return RGB(r, g, b);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour);

} // namespace zarava
