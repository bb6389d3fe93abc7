#pragma once

#include "ports/Geometry.h"
#include "ports/WindowState.h"
#include "win32view/PicturePainter.h"

#include <windows.h>

#include <functional>

namespace zarava {

// Draws one child window (a room window, the start-up picture) from its design and the last
// state its handlers published, at whatever size the frame gives it: every control scaled
// with the window (ports/DisplayLayout.h), fonts with its height. It has no child windows:
// everything is painted into one buffer, and only the controls that changed are repainted.
class ChildView {
public:
    ChildView(HWND parent, const PictureOutlines& outlines, std::function<void()> clicked);
    ~ChildView();
    ChildView(const ChildView&) = delete;
    ChildView& operator=(const ChildView&) = delete;

    // Takes the changes over and schedules a repaint of the changed controls only.
    void Apply(const WindowChanges& changes);
    const WindowSnapshot& Snapshot() const { return snapshot_; }

    // Puts the window at `client` (parent pixels) and shows it.
    void Place(const Rect& client);
    HWND Handle() const { return window_; }

    // Paints the whole window as the screen shows it, at the origin of `dc`.
    void Paint(HDC dc);

    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);

private:
    // Paints what lies in `area` (window pixels).
    void Paint(HDC dc, const RECT& area);
    RECT ControlArea(std::size_t control) const;

    WindowSnapshot snapshot_;
    PicturePainter pictures_;
    std::function<void()> clicked_;
    int width_ = 0;
    int height_ = 0;
    HWND window_ = nullptr;
};

} // namespace zarava
