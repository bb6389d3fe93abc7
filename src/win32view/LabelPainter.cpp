#include "win32view/LabelPainter.h"

#include "win32view/GdiText.h"
#include "win32view/Wide.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <memory>

namespace zarava {

namespace {

const std::wstring kNoLineStart =
    L"、。，．,.・：；:;？！?!゛゜ヽヾゝゞ々〻ー－～」』）〕］｝〉》】〙〗〟’”)]}"
    L"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ…‥％%";
const std::wstring kNoLineEnd = L"「『（〔［｛〈《【〘〖〝‘“([{￥＄＃";

// A character as the line breaker sees it: a surrogate pair stays whole.
std::vector<std::wstring> Characters(const std::wstring& text) {
    std::vector<std::wstring> characters;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xDC00 && text[i] <= 0xDFFF && !characters.empty()) {
            characters.back() += text[i];
        } else {
            characters.emplace_back(1, text[i]);
        }
    }
    return characters;
}

bool In(const std::wstring& character, const std::wstring& set) {
    return !character.empty() && set.find(character[0]) != std::wstring::npos;
}

bool IsLatinWord(const std::wstring& c) {
    return !c.empty() && c[0] < 0x80 && std::iswalnum(c[0]);
}

std::size_t BreakBefore(const std::vector<std::wstring>& c, std::size_t start, std::size_t at) {
    const auto bad = [&c](std::size_t b) {
        return In(c[b], kNoLineStart) || In(c[b - 1], kNoLineEnd);
    };
    std::size_t b = at;
    while (b > start + 1 && bad(b)) {
        --b;
    }
    if (b == start + 1 && bad(b)) {
        b = at; // the rules cannot hold on so short a line
    }
    if (IsLatinWord(c[b]) && IsLatinWord(c[b - 1])) {
        std::size_t word = b;
        while (word > start && IsLatinWord(c[word - 1])) {
            --word;
        }
        if (word > start) {
            b = word;
        }
    }
    return b;
}

std::wstring Join(const std::vector<std::wstring>& c, std::size_t from, std::size_t to) {
    std::wstring line;
    for (std::size_t i = from; i < to; ++i) {
        line += c[i];
    }
    return line;
}

std::vector<std::wstring> Paragraphs(const std::wstring& text) {
    std::vector<std::wstring> lines(1);
    for (const wchar_t c : text) {
        if (c == L'\n') {
            lines.emplace_back();
        } else if (c != L'\r') {
            lines.back() += c;
        }
    }
    return lines;
}

int FontPixels(double pointSize, double scale) {
    return std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0 * scale)));
}

int LineLeft(const RECT& r, int advance, TextAlign align) {
    return align == TextAlign::Center ? r.left + (r.right - r.left - advance) / 2 : r.left;
}

struct Line {
    std::wstring text;
    int x, baseline;
};

void DrawLines(HDC dc, const RECT& clip, const std::vector<Line>& lines) {
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    for (const Line& line : lines) {
        ExtTextOutW(dc, line.x, line.baseline, ETO_CLIPPED, &clip, line.text.data(),
                    static_cast<UINT>(line.text.size()), nullptr);
    }
}

void PaintBand(HDC dc, const RECT& r, const ControlDesign& d, const std::wstring& text, int px) {
    const int width = r.right - r.left;
    auto font = std::make_unique<GdiFont>(d.font.name, px, d.font.bold);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    int advance = TextAdvance(dc, text);
    if (advance > width && advance > 0) {
        SelectObject(dc, old);
        font = std::make_unique<GdiFont>(d.font.name, px * width / advance, d.font.bold);
        SelectObject(dc, font->Handle());
        advance = TextAdvance(dc, text);
    }
    const int baseline = BaselineForInkCentre(dc, text, (r.top + r.bottom) / 2.0);
    DrawLines(dc, r, {{text, LineLeft(r, advance, d.align), baseline}});
    SelectObject(dc, old);
}

void PaintFixedLines(HDC dc, const RECT& r, const ControlDesign& d, const std::wstring& text,
                     int px) {
    const GdiFont font(d.font.name, px, d.font.bold);
    HGDIOBJ old = SelectObject(dc, font.Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    std::vector<Line> lines;
    int baseline = r.top + tm.tmAscent;
    for (const std::wstring& line : Paragraphs(text)) {
        // Scaled, a sliver of a later line could peek in at the bottom edge.
        if (!lines.empty() && baseline + tm.tmDescent > r.bottom) {
            break;
        }
        lines.push_back({line, LineLeft(r, TextAdvance(dc, line), d.align), baseline});
        baseline += tm.tmHeight + tm.tmExternalLeading;
    }
    DrawLines(dc, r, lines);
    SelectObject(dc, old);
}

// The notice's lines at a font size, and whether they fit the panel with a margin.
bool NoticeFits(HDC dc, const RECT& r, const std::wstring& text, int px,
                std::vector<std::wstring>& lines) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int pad = std::max(2, static_cast<int>(px * 0.06));
    const int width = r.right - r.left - 2 * pad;
    lines = BreakJapaneseLines(dc, text, width);
    const auto count = static_cast<int>(lines.size());
    const int height = (count - 1) * (tm.tmHeight + tm.tmExternalLeading) + tm.tmHeight;
    return height <= r.bottom - r.top - 2 * pad &&
           std::all_of(lines.begin(), lines.end(),
                       [&](const std::wstring& l) { return TextAdvance(dc, l) <= width; });
}

void PaintNotice(HDC dc, const RECT& r, const ControlDesign& d, const std::wstring& text, int px) {
    std::vector<std::wstring> lines;
    const auto fitsAt = [&](int size, std::vector<std::wstring>& out) {
        const GdiFont font(d.font.name, size, d.font.bold);
        HGDIOBJ old = SelectObject(dc, font.Handle());
        const bool fits = NoticeFits(dc, r, text, size, out);
        SelectObject(dc, old);
        return fits;
    };
    if (!fitsAt(px, lines)) {
        int low = 1; // the largest size that fits, by halving the range of sizes
        int high = px - 1;
        while (low < high) {
            const int mid = (low + high + 1) / 2;
            std::vector<std::wstring> tried;
            if (fitsAt(mid, tried)) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        px = low;
        fitsAt(px, lines);
    }
    const GdiFont font(d.font.name, px, d.font.bold);
    HGDIOBJ old = SelectObject(dc, font.Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    int widest = 0;
    for (const std::wstring& line : lines) {
        widest = std::max(widest, TextAdvance(dc, line));
    }
    // The block is centred; its lines start at one left edge, as a paragraph does.
    const int spacing = tm.tmHeight + tm.tmExternalLeading;
    const int block = (static_cast<int>(lines.size()) - 1) * spacing + tm.tmHeight;
    const int left = LineLeft(r, widest, TextAlign::Center);
    int baseline = (r.top + r.bottom - block) / 2 + tm.tmAscent;
    std::vector<Line> placed;
    for (const std::wstring& line : lines) {
        placed.push_back({line, left, baseline});
        baseline += spacing;
    }
    DrawLines(dc, r, placed);
    SelectObject(dc, old);
}

} // namespace

std::vector<std::wstring> BreakJapaneseLines(HDC dc, const std::wstring& text, int width) {
    std::vector<std::wstring> lines;
    for (const std::wstring& paragraph : Paragraphs(text)) {
        const std::vector<std::wstring> c = Characters(paragraph);
        std::size_t start = 0;
        int used = 0;
        for (std::size_t i = 0; i < c.size(); ++i) {
            const int advance = TextAdvance(dc, c[i]);
            if (i > start && used + advance > width) {
                const std::size_t b = BreakBefore(c, start, i);
                lines.push_back(Join(c, start, b));
                start = b;
                used = TextAdvance(dc, Join(c, start, i));
            }
            used += advance;
        }
        lines.push_back(Join(c, start, c.size()));
    }
    return lines;
}

void PaintLabel(HDC dc, const RECT& rect, const ControlDesign& design, const ControlState& state,
                double scaleX, double scaleY) {
    FillSolid(dc, rect, RGB(state.back.r, state.back.g, state.back.b));
    if (state.caption.empty()) {
        return;
    }
    // A plain label's font follows the label by the smaller of the two ratios, so what fits at
    // the design size fits at every size; text labels follow the height and shrink themselves.
    const bool plain = design.kind == ControlKind::PlainLabel;
    const int px = FontPixels(design.font.pointSize, plain ? std::min(scaleX, scaleY) : scaleY);
    const std::wstring text = Widen(state.caption);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(state.fore.r, state.fore.g, state.fore.b));
    if (plain) {
        PaintFixedLines(dc, rect, design, text, px);
    } else if (rect.bottom - rect.top >= 2 * px) {
        PaintNotice(dc, rect, design, text, px);
    } else {
        PaintBand(dc, rect, design, text, px);
    }
}

} // namespace zarava
