#include "win32view/GdiText.h"

#include "win32view/Wide.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>

namespace zarava {

namespace {

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, CountFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// Both the full-width and the ASCII spelling of each name occur in designs.
const char* FreeFace(const char* name) {
    static const std::map<std::string, const char*> faces = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},    {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
    };
    const auto it = faces.find(name);
    return it != faces.end() ? it->second : nullptr;
}

} // namespace

std::wstring DesignFace(const char* utf8Name) {
    static std::map<std::string, std::wstring> chosen; // GUI thread only
    const auto it = chosen.find(utf8Name);
    if (it != chosen.end()) {
        return it->second;
    }
    std::wstring face = Widen(utf8Name);
    const char* free = FreeFace(utf8Name);
    if (!FaceInstalled(face) && free != nullptr && FaceInstalled(Widen(free))) {
        face = Widen(free);
    }
    return chosen.emplace(utf8Name, face).first->second;
}

GdiFont::GdiFont(const char* utf8Name, int pixels, bool bold) : pixels_(std::max(1, pixels)) {
    LOGFONTW font{};
    font.lfHeight = -pixels_;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfQuality = ANTIALIASED_QUALITY;
    DesignFace(utf8Name).copy(font.lfFaceName, LF_FACESIZE - 1);
    font_ = CreateFontIndirectW(&font);
}

GdiFont::~GdiFont() {
    DeleteObject(font_);
}

int BaselineForInkCentre(HDC dc, const std::wstring& text, double centreY) {
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    int top = INT_MIN;    // highest ink above the baseline
    int bottom = INT_MAX; // lowest ink, above the baseline when positive
    for (const wchar_t c : text) {
        GLYPHMETRICS m{};
        if (c == L' ' || c == L'\u3000' ||
            GetGlyphOutlineW(dc, c, GGO_METRICS, &m, 0, nullptr, &identity) == GDI_ERROR) {
            continue;
        }
        top = std::max(top, static_cast<int>(m.gmptGlyphOrigin.y));
        bottom = std::min(bottom, static_cast<int>(m.gmptGlyphOrigin.y - m.gmBlackBoxY));
    }
    if (top == INT_MIN) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        top = tm.tmAscent;
        bottom = -tm.tmDescent;
    }
    return static_cast<int>(std::lround(centreY + (top + bottom) / 2.0));
}

int TextAdvance(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

OffscreenDc::OffscreenDc(HDC like, int width, int height)
    : dc_(CreateCompatibleDC(like)),
      bitmap_(CreateCompatibleBitmap(like, std::max(1, width), std::max(1, height))),
      old_(SelectObject(dc_, bitmap_)) {}

OffscreenDc::~OffscreenDc() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

} // namespace zarava
