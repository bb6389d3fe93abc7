#pragma once

#include "ports/Host.h"
#include "ports/PictureOutlines.h"
#include "ports/StateReport.h"
#include "ports/TickerNotification.h"
#include "win32view/ChildView.h"
#include "win32view/TickerBand.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace zarava {

// The frame on screen: a borderless, top-most window over one monitor with the ticker band on
// top and the child windows tiled below it (ports/DisplayLayout.h). It draws what the engine
// publishes and forwards the user's input; it decides nothing. GUI thread only.
class FrameWindow {
public:
    // `ticks` drives the band's frames (null: the display's own pacing).
    explicit FrameWindow(std::vector<Rect> monitors, FrameTicks* ticks = nullptr);
    ~FrameWindow();
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    void ApplyFrame(const FrameSnapshot& frame);
    void ApplyWindow(const WindowChanges& window);

    // The monitor the frame goes to (or is on), in screen pixels.
    Rect Monitor() const;
    const FrameSnapshot& Frame() const { return frame_; }
    // The child windows in stacking order with their cells, for the state report.
    std::vector<ReportedWindow> ShownWindows() const;
    HWND Handle() const { return window_; }
    TickerBand& Band() { return *band_; }

    // Paints the whole frame as the screen shows it into a bitmap of the frame's size (for
    // screenshots: the same painting as on screen, whatever covers the window).
    HBITMAP Render() const;

    // Input for the engine.
    std::function<void(TickerNotification)> onTickerNotification;
    std::function<void()> onCloseRequest;
    // A typed character and the window last clicked (0 before any click).
    std::function<void(int, char32_t)> onKeyPress;
    // Called once the start-up has finished and every window has been drawn.
    std::function<void()> onStartupDrawn;

    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);

private:
    void Arrange();
    void PlaceOnMonitor();
    void OnCharacter(wchar_t unit);

    std::vector<Rect> monitors_;
    FrameSnapshot frame_;
    bool placed_ = false;
    bool drawnReported_ = false;
    bool closing_ = false;
    int activeWindow_ = 0;
    wchar_t highSurrogate_ = 0;
    int width_ = 0;
    int height_ = 0;
    PictureOutlines outlines_;
    HWND window_ = nullptr;
    std::unique_ptr<TickerBand> band_;
    std::map<int, std::unique_ptr<ChildView>> windows_;
};

} // namespace zarava
