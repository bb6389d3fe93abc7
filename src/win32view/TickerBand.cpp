#include "win32view/TickerBand.h"

#include "ports/DisplayLayout.h"
#include "win32view/ViewWindow.h"
#include "win32view/Wide.h"

#include <algorithm>
#include <cmath>

namespace zarava {

namespace {

constexpr UINT kFrameMessage = WM_APP + 1;

const char kDefaultCaption[] = "※診察内容によってお呼びする順番が前後する事があります";
const char kFontName[] = "ＭＳ Ｐ明朝";
constexpr COLORREF kTextColour = RGB(0xFF, 0x00, 0x90);

// The design puts 27.75-point text (37 pixels at 96 dpi) in a 41-pixel label; the text keeps
// that proportion to the band at any size.
constexpr double kTextToBandHeight = 27.75 * 96.0 / 72.0 / 41.0;

// One line: line breaks, tabs and other controls of a news line read as blanks.
std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text) {
        if (c < 0x20 || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029) {
            c = L' ';
        }
    }
    return text;
}

bool LowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

TickerBand::TickerBand(HWND parent, std::function<void(TickerNotification)> notify,
                       FrameTicks* ticks)
    : notify_(std::move(notify)), ticks_(ticks), caption_(OneLine(Widen(kDefaultCaption))),
      shownCaption_(caption_) {
    window_ =
        CreateViewWindow(L"ZaravaTickerBand", ForwardToView<TickerBand>,
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, this, CS_DBLCLKS);
    if (ticks_ == nullptr) {
        ownTicks_ = std::make_unique<FramePacer>(window_, kFrameMessage);
        ticks_ = ownTicks_.get();
    }
}

TickerBand::~TickerBand() {
    ownTicks_.reset(); // its thread posts to the window
    DestroyViewWindow(window_);
}

void TickerBand::SetCaption(const std::string& utf8) {
    caption_ = OneLine(Widen(utf8));
    if (phase_ == Phase::Still) {
        shownCaption_ = caption_;
        strip_.reset();
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void TickerBand::StartAction() {
    BeginPass();
}

void TickerBand::BeginPass() {
    if (shownCaption_ != caption_) {
        shownCaption_ = caption_;
        strip_.reset();
    }
    phase_ = Phase::Moving;
    travelled_ = 0;
    anchorTravelled_ = 0;
    Anchor();
    ticks_->Run(periodUs_);
    InvalidateRect(window_, nullptr, FALSE);
}

double TickerBand::RefreshRate() const {
    MONITORINFOEXW monitor{};
    monitor.cbSize = sizeof monitor;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode)) {
        return 0;
    }
    return mode.dmDisplayFrequency;
}

void TickerBand::Anchor() {
    const double hz = RefreshRate();
    periodUs_ = 1e6 / UsableRefreshRate(hz);
    step_ = BandStepPixels(height_, hz);
    anchorUs_ = ticks_->NowUs();
    anchorTravelled_ = travelled_;
}

void TickerBand::OnFrame() {
    ticks_->FrameDrawn();
    if (phase_ != Phase::Moving) {
        return;
    }
    // The frame whose moment has come; the wake-up for it may round to its very microsecond.
    const auto frame = static_cast<std::int64_t>(
        std::floor(static_cast<double>(ticks_->NowUs() - anchorUs_) / periodUs_ + 1e-6));
    travelled_ = anchorTravelled_ + frame * step_;
    if (travelled_ >= width_ + Laid().width) {
        if (repeat_) {
            BeginPass();
            return;
        }
        phase_ = Phase::Ended;
        ticks_->Stop();
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        if (notify_) {
            notify_(TickerNotification::PassEnded);
        }
        return;
    }
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TickerBand::Place(const Rect& rect) {
    const bool resized = rect.height != height_;
    width_ = rect.width;
    height_ = rect.height;
    SetWindowPos(window_, nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (resized) {
        strip_.reset(); // the text is laid out afresh at its new size
        if (phase_ == Phase::Moving) {
            Anchor(); // a moving pass goes on from where it was, at the new speed
        }
    }
}

const TickerBand::Strip& TickerBand::Laid() {
    if (strip_) {
        return *strip_;
    }
    strip_ = std::make_unique<Strip>();
    Strip& s = *strip_;
    s.text = shownCaption_;
    s.font = std::make_unique<GdiFont>(
        kFontName, static_cast<int>(std::lround(std::max(1, height_) * kTextToBandHeight)), true);
    HDC dc = GetDC(window_);
    HGDIOBJ old = SelectObject(dc, s.font->Handle());
    s.ends.resize(s.text.size());
    SIZE size{};
    if (!s.text.empty()) {
        int fitted = 0;
        GetTextExtentExPointW(dc, s.text.data(), static_cast<int>(s.text.size()), INT_MAX, &fitted,
                              s.ends.data(), &size);
    }
    // Room for the bold ink that reaches beyond the last advance.
    s.width = s.text.empty() ? 0 : static_cast<int>(size.cx + s.font->Pixels() / 4);
    s.baseline = BaselineForInkCentre(dc, L"国漢あ", height_ / 2.0);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    return s;
}

void TickerBand::Paint(HDC dc) {
    const RECT all{0, 0, width_, height_};
    FillSolid(dc, all, RGB(kWindowBackground.r, kWindowBackground.g, kWindowBackground.b));
    if (phase_ == Phase::Ended) {
        return;
    }
    const Strip& s = Laid();
    if (s.text.empty()) {
        return;
    }
    // Whole pixels, so the text never blurs between two.
    const std::int64_t left = phase_ == Phase::Still ? 0 : width_ - travelled_;
    // The characters in view, with one more on each side for ink beyond the advances.
    const auto first = std::upper_bound(s.ends.begin(), s.ends.end(), -left) - s.ends.begin();
    const auto last =
        std::upper_bound(s.ends.begin(), s.ends.end(), width_ - left) - s.ends.begin();
    std::size_t from = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, first - 1));
    const std::size_t until =
        std::min<std::size_t>(s.text.size(), static_cast<std::size_t>(last) + 2);
    while (from > 0 && LowSurrogate(s.text[from])) {
        --from;
    }
    if (from >= until) {
        return;
    }
    const int start = from == 0 ? 0 : s.ends[from - 1];
    HGDIOBJ old = SelectObject(dc, s.font->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColour);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    ExtTextOutW(dc, static_cast<int>(left + start), s.baseline, ETO_CLIPPED, &all,
                s.text.data() + from, static_cast<UINT>(until - from), nullptr);
    SelectObject(dc, old);
}

LRESULT TickerBand::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_PAINT:
        PaintBuffered(window, [this](HDC dc, const RECT&) { Paint(dc); });
        return 0;
    case kFrameMessage:
        OnFrame();
        return 0;
    case WM_LBUTTONDBLCLK:
        if (notify_) {
            notify_(TickerNotification::DoubleClicked);
        }
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

} // namespace zarava
