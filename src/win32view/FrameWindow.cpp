#include "win32view/FrameWindow.h"

#include "ports/DisplayLayout.h"
#include "win32view/GdiText.h"
#include "win32view/PicturePainter.h"
#include "win32view/ViewWindow.h"
#include "win32view/Wide.h"

#include <algorithm>

namespace zarava {

namespace {

constexpr UINT kStartupDrawnMessage = WM_APP + 2;

// The client area shows only in the gaps between the child windows: their borders.
constexpr COLORREF kBorderColour = RGB(0x70, 0x70, 0x70);

} // namespace

FrameWindow::FrameWindow(std::vector<Rect> monitors, FrameTicks* ticks)
    : monitors_(std::move(monitors)), outlines_(ParseOutlines(EmbeddedOutlines())) {
    window_ = CreateViewWindow(L"ZaravaFrame", ForwardToView<FrameWindow>,
                               WS_POPUP | WS_CLIPCHILDREN, 0, nullptr, this);
    band_ = std::make_unique<TickerBand>(
        window_,
        [this](TickerNotification what) {
            if (onTickerNotification) {
                onTickerNotification(what);
            }
        },
        ticks);
}

FrameWindow::~FrameWindow() {
    windows_.clear();
    band_.reset();
    DestroyViewWindow(window_);
}

Rect FrameWindow::Monitor() const {
    if (monitors_.empty()) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return monitors_[static_cast<std::size_t>(
        std::clamp<int>(frame_.monitor, 0, static_cast<int>(monitors_.size()) - 1))];
}

// A frame without its title bar covers its monitor; with one (only during the start-up) it
// is a maximised window there.
void FrameWindow::PlaceOnMonitor() {
    const Rect m = Monitor();
    const LONG_PTR style = frame_.titleBar ? WS_OVERLAPPEDWINDOW : WS_POPUP;
    SetWindowLongPtrW(window_, GWL_STYLE, style | WS_CLIPCHILDREN | WS_VISIBLE);
    SetWindowPos(window_, frame_.topMost ? HWND_TOPMOST : HWND_NOTOPMOST, m.left, m.top, m.width,
                 m.height, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    if (frame_.titleBar) {
        ShowWindow(window_, SW_MAXIMIZE);
    }
    SetForegroundWindow(window_);
    SetFocus(window_);
}

void FrameWindow::ApplyFrame(const FrameSnapshot& frame) {
    const FrameSnapshot old = frame_;
    frame_ = frame;
    if (frame.closed) {
        closing_ = true;
        ShowWindow(window_, SW_HIDE);
        return;
    }
    SetWindowTextW(window_, Widen(frame.caption).c_str());
    if (frame.shown && (!placed_ || old.monitor != frame.monitor ||
                        old.titleBar != frame.titleBar || old.topMost != frame.topMost)) {
        placed_ = true;
        PlaceOnMonitor();
    }
    // The frame comes with every step of the blink phase; the band changes only when its own
    // values do. A start always sets the text first, even the same or an empty one.
    if (frame.tickerCaption != old.tickerCaption || frame.tickerPass != old.tickerPass) {
        band_->SetCaption(frame.tickerCaption);
    }
    band_->SetRepeat(frame.tickerRepeat);
    if (frame.tickerPass != old.tickerPass) {
        band_->StartAction();
    }
    Arrange();
    if (frame.startupDone && !drawnReported_) {
        drawnReported_ = true;
        // Every window's state arrived before this frame state; once the messages queued so
        // far have been handled, everything is laid out and painted.
        PostMessageW(window_, kStartupDrawnMessage, 0, 0);
    }
}

void FrameWindow::ApplyWindow(const WindowChanges& window) {
    auto it = windows_.find(window.windowId);
    if (window.closed) {
        if (it != windows_.end()) {
            windows_.erase(it);
        }
        return;
    }
    if (it == windows_.end()) {
        const int id = window.windowId;
        auto view =
            std::make_unique<ChildView>(window_, outlines_, [this, id] { activeWindow_ = id; });
        it = windows_.emplace(id, std::move(view)).first;
        Arrange();
    }
    it->second->Apply(window);
}

void FrameWindow::Arrange() {
    RECT client{};
    GetClientRect(window_, &client);
    width_ = client.right;
    height_ = client.bottom;
    band_->Place({0, 0, width_, BandHeight(height_)});
    if (frame_.arrangement != Arrangement::TileVertical) {
        return;
    }
    std::vector<ChildView*> order;
    for (int id : frame_.children) {
        if (auto it = windows_.find(id); it != windows_.end()) {
            order.push_back(it->second.get());
        }
    }
    const std::vector<Rect> cells = ChildCells(width_, height_, static_cast<int>(order.size()));
    for (std::size_t i = 0; i < order.size() && i < cells.size(); ++i) {
        order[i]->Place(ChildClient(cells[i]));
    }
}

std::vector<ReportedWindow> FrameWindow::ShownWindows() const {
    std::vector<ReportedWindow> shown;
    std::vector<const ChildView*> order;
    for (int id : frame_.children) {
        if (auto it = windows_.find(id); it != windows_.end()) {
            order.push_back(it->second.get());
        }
    }
    const std::vector<Rect> cells = ChildCells(width_, height_, static_cast<int>(order.size()));
    for (std::size_t i = 0; i < order.size() && i < cells.size(); ++i) {
        shown.push_back({&order[i]->Snapshot(), cells[i]});
    }
    return shown;
}

HBITMAP FrameWindow::Render() const {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, std::max(1, width_), std::max(1, height_));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    FillSolid(dc, {0, 0, width_, height_}, kBorderColour);
    band_->Paint(dc);
    for (const ReportedWindow& shown : ShownWindows()) {
        for (const auto& [id, view] : windows_) {
            if (&view->Snapshot() == shown.snapshot) {
                const Rect c = ChildClient(shown.cell);
                SetViewportOrgEx(dc, c.left, c.top, nullptr);
                view->Paint(dc);
            }
        }
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

void FrameWindow::OnCharacter(wchar_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        highSurrogate_ = unit;
        return;
    }
    char32_t c = unit;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        c = highSurrogate_ == 0
                ? 0xFFFD
                : 0x10000 + ((char32_t{highSurrogate_} - 0xD800) << 10) + (unit - 0xDC00);
    }
    highSurrogate_ = 0;
    // A barcode reader types its code as characters; each one goes to the engine in order.
    if (onKeyPress) {
        onKeyPress(activeWindow_, c);
    }
}

LRESULT FrameWindow::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        FillSolid(dc, ps.rcPaint, kBorderColour);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_SIZE:
        Arrange();
        return 0;
    case WM_CHAR:
        OnCharacter(static_cast<wchar_t>(w));
        return 0;
    case WM_CLOSE:
        // The engine decides: it closes the room windows, clears the running mark, then ends.
        if (!closing_ && onCloseRequest) {
            onCloseRequest();
        }
        return 0;
    case WM_ENDSESSION:
        // Windows logs off or shuts down: the display closes as the user would close it, so
        // the running mark is cleared, for as long as the system waits.
        if (w != FALSE && !closing_ && onCloseRequest) {
            onCloseRequest();
            const ULONGLONG until = GetTickCount64() + 5000;
            MSG m;
            while (!closing_ && GetTickCount64() < until) {
                if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                    if (m.message == WM_QUIT) {
                        PostQuitMessage(static_cast<int>(m.wParam));
                        break;
                    }
                    DispatchMessageW(&m);
                } else {
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                }
            }
        }
        return 0;
    case kStartupDrawnMessage:
        UpdateWindow(window_);
        if (onStartupDrawn) {
            onStartupDrawn();
        }
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

} // namespace zarava
