#pragma once

#include "ports/Geometry.h"
#include "ports/TickerNotification.h"
#include "win32view/FramePacer.h"
#include "win32view/GdiText.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zarava {

// The information band: moves one line of text from the right edge through the band until it
// has left at the left edge, and reports the end of each pass; a double-click asks to close.
// It only shows what it is given. The text moves a whole number of pixels per refresh, the same
// number at every refresh (ports/DisplayLayout.h), so it neither blurs between pixels nor
// stutters; its position comes from the time since the pass began, counted in refresh periods,
// so a late frame never slows it down. A frame draws only the characters in view, into a
// buffer, whatever the caption's length.
class TickerBand {
public:
    // `ticks` drives the frames and must outlive the band; null for the display's own pacing.
    TickerBand(HWND parent, std::function<void(TickerNotification)> notify,
               FrameTicks* ticks = nullptr);
    ~TickerBand();
    TickerBand(const TickerBand&) = delete;
    TickerBand& operator=(const TickerBand&) = delete;

    // The text of the next pass; a running pass keeps its own.
    void SetCaption(const std::string& utf8);
    // When set, an ended pass starts again instead of being reported.
    void SetRepeat(bool repeat) { repeat_ = repeat; }
    // Starts one pass with the current caption; a running pass is dropped.
    void StartAction();
    bool Running() const { return phase_ == Phase::Moving; }
    // Pixels the text has travelled in this pass, and per frame.
    std::int64_t Travelled() const { return travelled_; }
    int Step() const { return step_; }

    void Place(const Rect& rect);
    HWND Handle() const { return window_; }
    // Paints the band as the screen shows it, at the origin of `dc`.
    void Paint(HDC dc);
    // A frame of the pass has come.
    void OnFrame();

    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);

private:
    enum class Phase {
        Still, // before the first pass: the caption stands at the left
        Moving,
        Ended, // the text has left; nothing is drawn
    };
    // The shown caption laid out in one line at the band's height.
    struct Strip {
        std::wstring text;
        std::unique_ptr<GdiFont> font;
        std::vector<int> ends; // the advance up to the end of each character (UTF-16 unit)
        int width = 0;         // ink included
        int baseline = 0;
    };

    const Strip& Laid();
    void BeginPass();
    void Anchor();
    double RefreshRate() const;

    std::function<void(TickerNotification)> notify_;
    std::unique_ptr<FramePacer> ownTicks_;
    FrameTicks* ticks_;
    HWND window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::wstring caption_;
    std::wstring shownCaption_;
    std::unique_ptr<Strip> strip_; // of shownCaption_ at height_, made when first needed
    bool repeat_ = false;
    Phase phase_ = Phase::Still;
    std::int64_t anchorUs_ = 0;
    std::int64_t anchorTravelled_ = 0;
    double periodUs_ = 1e6 / 60;
    int step_ = 1;
    std::int64_t travelled_ = 0;
};

} // namespace zarava
