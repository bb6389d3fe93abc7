#include "win32view/ChildView.h"

#include "ports/DisplayLayout.h"
#include "win32view/GdiText.h"
#include "win32view/LabelPainter.h"
#include "win32view/ViewWindow.h"

namespace zarava {

namespace {

constexpr double kTwipsPerPixel = 15.0;

COLORREF Colour(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

} // namespace

ChildView::ChildView(HWND parent, const PictureOutlines& outlines, std::function<void()> clicked)
    : pictures_(outlines), clicked_(std::move(clicked)) {
    window_ = CreateViewWindow(L"ZaravaChildWindow", ForwardToView<ChildView>,
                               WS_CHILD | WS_CLIPSIBLINGS, 0, parent, this);
}

ChildView::~ChildView() {
    DestroyViewWindow(window_);
}

RECT ChildView::ControlArea(std::size_t control) const {
    const Rect r = ControlRect(snapshot_, control, width_, height_);
    return {r.left, r.top, r.Right(), r.Bottom()};
}

void ChildView::Apply(const WindowChanges& changes) {
    const bool whole = snapshot_.design == nullptr || snapshot_.design != changes.design;
    bool pictureChanged = false;
    for (const ControlChange& c : changes.controls) {
        const auto i = static_cast<std::size_t>(c.control);
        if (!whole && i < snapshot_.controls.size()) {
            pictureChanged = pictureChanged || !(snapshot_.controls[i].picture == c.state.picture);
            const RECT before = ControlArea(i);
            InvalidateRect(window_, &before, FALSE);
        }
    }
    snapshot_.Apply(changes);
    if (pictureChanged || whole) {
        pictures_.KeepFilesOf(snapshot_.controls);
    }
    if (whole) {
        InvalidateRect(window_, nullptr, FALSE);
        return;
    }
    for (const ControlChange& c : changes.controls) {
        const RECT after = ControlArea(static_cast<std::size_t>(c.control));
        InvalidateRect(window_, &after, FALSE);
    }
}

void ChildView::Place(const Rect& client) {
    width_ = client.width;
    height_ = client.height;
    SetWindowPos(window_, nullptr, client.left, client.top, client.width, client.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ChildView::Paint(HDC dc) {
    Paint(dc, {0, 0, width_, height_});
}

void ChildView::Paint(HDC dc, const RECT& area) {
    const WindowDesign* design = snapshot_.design;
    if (design == nullptr || design->width <= 0 || design->height <= 0 ||
        snapshot_.controls.size() != design->controls.size()) {
        FillSolid(dc, area, Colour(kWindowBackground));
        return;
    }
    FillSolid(dc, area, Colour(design->background));
    const double sx = width_ / (design->width / kTwipsPerPixel);
    const double sy = height_ / (design->height / kTwipsPerPixel);
    // Table order is stacking order: a frame covers the controls listed before it, and its own
    // controls follow it.
    for (std::size_t i = 0; i < design->controls.size(); ++i) {
        const RECT r = ControlArea(i);
        RECT overlap;
        if (!ControlShown(snapshot_, i) || !IntersectRect(&overlap, &r, &area)) {
            continue;
        }
        const ControlDesign& control = design->controls[i];
        const ControlState& state = snapshot_.controls[i];
        switch (control.kind) {
        case ControlKind::Image:
            pictures_.Paint(dc, r, state.picture);
            break;
        case ControlKind::Frame:
            FillSolid(dc, r, Colour(state.back));
            break;
        case ControlKind::TextLabel:
        case ControlKind::PlainLabel:
            PaintLabel(dc, r, control, state, sx, sy);
            break;
        }
    }
}

LRESULT ChildView::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_PAINT:
        PaintBuffered(window, [this](HDC dc, const RECT& area) { Paint(dc, area); });
        return 0;
    case WM_LBUTTONDOWN:
        if (clicked_) {
            clicked_();
        }
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

} // namespace zarava
