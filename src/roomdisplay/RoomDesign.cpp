#include "roomdisplay/RoomDesign.h"

#include <set>
#include <string>

namespace zarava {

namespace {

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kWindowText{0, 0, 0}; // the system window-text colour

constexpr FontDesign kTitleFont{"ＭＳ Ｐゴシック", 36, true};
constexpr FontDesign kHeadingFont{"ＭＳ Ｐゴシック", 22, true};
constexpr FontDesign kCounterCaptionFont{"ＭＳ Ｐゴシック", 20.25, true};
constexpr FontDesign kMessageFont{"ＭＳ 明朝", 48, true};
constexpr FontDesign kBarcodeFont{"ＭＳ ゴシック", 15.75, true};
constexpr FontDesign kSwatchFont{"ＭＳ Ｐゴシック", 9, false};

// Picture names are made in loops; the design keeps plain pointers, so each name lives here
// for the life of the program.
const char* Name(const std::string& text) {
    static std::set<std::string> names;
    return names.insert(text).first->c_str();
}

const char* PictureName(const char* palette, int digit) {
    return Name(std::string(palette) + "_" + std::to_string(digit));
}

ControlDesign Heading(int index, int left, int top, const char* caption, Rgb back, bool visible) {
    return {.name = "TlxLabel",
            .index = index,
            .kind = ControlKind::TextLabel,
            .left = left,
            .top = top,
            .width = 4455,
            .height = 435,
            .font = kHeadingFont,
            .back = back,
            .fore = kWhite,
            .caption = caption,
            .visible = visible};
}

ControlDesign Image(const char* name, int index, int left, int top, int width, int height,
                    const char* picture, bool visible) {
    return {.name = name,
            .index = index,
            .kind = ControlKind::Image,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .picture = picture,
            .visible = visible};
}

// A digit palette below the client area; element i holds the picture of digit i. Lefts are
// arbitrary (nobody sees them) but keep the elements apart.
void AddPalette(std::vector<ControlDesign>& c, const char* name, int count, int firstLeft,
                int top) {
    for (int i = 0; i < count; ++i) {
        c.push_back(
            Image(name, i, firstLeft + 540 * i, top, 450, 450, PictureName(name, i), false));
    }
}

WindowDesign BuildDesign() {
    std::vector<ControlDesign> c;

    c.push_back({.name = "xDazuzeLabel",
                 .kind = ControlKind::TextLabel,
                 .width = 11880,
                 .height = 975,
                 .font = kTitleFont,
                 .back = FromBgr(0x00CE9AFF),
                 .fore = kWhite,
                 .caption = "あいうえおかきこけこ"});
    c.push_back(Heading(4, 480, 1020, "お待ち番号", FromBgr(0x000080FF), true));
    c.push_back(Heading(0, 6840, 1020, "ご案内番号", FromBgr(0x009F3FFF), true));
    c.push_back(Heading(2, 480, 6960, "お待ち時間", FromBgr(0x00009600), false));
    c.push_back(Heading(1, 6960, 6960, "お待ち人数", FromBgr(0x00FF8000), false));

    // Waiting board: even slots in the left column, odd slots in the right one, which sits
    // 240 twips lower.
    for (int i = 0; i < 3 * kWaitingSlots; ++i) {
        const int slot = i / 3;
        const int digit = i % 3;
        const bool left = slot % 2 == 0;
        const int x = (left ? 600 : 2880) + 600 * digit;
        const int y = left ? 1560 + 840 * (slot / 2) : 1800 + 840 * ((slot - 1) / 2);
        c.push_back(Image("ImgW", i, x, y, 615, 675, PictureName("ImgW", i % 10), true));
    }

    // The now-serving area. The handlers draw it; its design pictures only show in the
    // designer.
    c.push_back(Image("ImgCall", 3, 5880, 1680, 5760, 945, "Banner", true));
    c.push_back(Image("ImgCall", 4, 5880, 2760, 975, 1095, "ImgBr_1", true));
    c.push_back(Image("ImgCall", 5, 6840, 2760, 975, 1095, "ImgBr_2", true));
    c.push_back({.name = "TlxCall",
                 .kind = ControlKind::PlainLabel,
                 .left = 8040,
                 .top = 3240,
                 .width = 1260,
                 .height = 405,
                 .font = kCounterCaptionFont,
                 .back = kWindowBackground,
                 .fore = FromBgr(0x00404040),
                 .caption = "番窓口",
                 .align = TextAlign::Left});
    c.push_back(Image("ImgCall", 0, 5880, 4200, 1695, 2295, "ImgR_1", true));
    c.push_back(Image("ImgCall", 1, 7560, 4200, 1695, 2295, "ImgR_2", true));
    c.push_back(Image("ImgCall", 2, 9240, 4200, 1695, 2295, "ImgR_3", true));
    c.push_back(Image("ImgCall", 9, 10920, 5880, 840, 720, "GlyphBan", true));

    // The message panel comes after the now-serving controls so that it covers them.
    const int frame = static_cast<int>(c.size());
    c.push_back({.name = "MsgFrame",
                 .kind = ControlKind::Frame,
                 .left = 5880,
                 .top = 1560,
                 .width = 5925,
                 .height = 5175,
                 .back = kWindowBackground,
                 .visible = false});
    c.push_back({.name = "MsgxLabel",
                 .kind = ControlKind::TextLabel,
                 .left = 360,
                 .top = 120,
                 .width = 5535,
                 .height = 4845,
                 .parent = frame,
                 .font = kMessageFont,
                 .back = FromBgr(0x00CE9AFF),
                 .fore = kWindowText,
                 .caption = "午前中の受付は終了致しました。"});

    // Waiting-time and waiting-count lines, hidden until the load decides.
    c.push_back(Image("ImgTime", 3, 600, 7800, 600, 600, "GlyphYaku", false));
    c.push_back(Image("ImgTime", 0, 1200, 7440, 960, 975, "ImgG_10", false));
    c.push_back(Image("ImgTime", 1, 2280, 7440, 960, 975, "ImgG_10", false));
    c.push_back(Image("ImgTime", 2, 3360, 7440, 960, 975, "ImgG_10", false));
    c.push_back(Image("ImgTime", 4, 4320, 7800, 600, 600, "GlyphFun", false));
    c.push_back(Image("ImgMachi", 0, 7560, 7440, 960, 975, "ImgB_0", false));
    c.push_back(Image("ImgMachi", 1, 8640, 7440, 960, 975, "ImgB_0", false));
    c.push_back(Image("ImgMachi", 2, 9720, 7440, 960, 975, "ImgB_0", false));
    c.push_back(Image("ImgMachi", 3, 10800, 7800, 600, 600, "GlyphNin", false));

    // Auxiliary controls below the client area.
    static const char* const swatchCaptions[] = {"①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧"};
    static const unsigned long swatchColours[] = {0x00CE9AFF, 0x00FF6563, 0x00CE9A63, 0x00319A63,
                                                  0x000080FF, 0x000040D0, 0x000000B0, 0x0063659C};
    for (int i = 1; i <= 8; ++i) {
        c.push_back({.name = "BkColor",
                     .index = i,
                     .kind = ControlKind::PlainLabel,
                     .left = 120 + 600 * (i - 1),
                     .top = 10080,
                     .width = 480,
                     .height = 300,
                     .font = kSwatchFont,
                     .back = FromBgr(swatchColours[i - 1]),
                     .fore = kWhite,
                     .caption = swatchCaptions[i - 1],
                     .visible = false});
    }
    c.push_back({.name = "BarLabel",
                 .kind = ControlKind::PlainLabel,
                 .left = 5520,
                 .top = 10440,
                 .width = 1215,
                 .height = 255,
                 .font = kBarcodeFont,
                 .back = kWindowBackground,
                 .fore = kWindowText,
                 .visible = false});
    AddPalette(c, "ImgB", 10, 120, 10440);
    AddPalette(c, "ImgG", 11, 120, 10920); // element 10 is the dash
    AddPalette(c, "ImgR", 10, 120, 11400);
    AddPalette(c, "ImgO", 10, 120, 11880);
    AddPalette(c, "ImgOr", 10, 120, 12360);
    AddPalette(c, "ImgBr", 10, 6120, 12360); // shares the row of ImgOr, to its right

    return {"RoomWindow", 11880, 8715, kWindowBackground, std::move(c)};
}

} // namespace

const WindowDesign& RoomWindowDesign() {
    static const WindowDesign design = BuildDesign();
    return design;
}

} // namespace zarava
