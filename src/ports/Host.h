#pragma once

#include "ports/Geometry.h"
#include "ports/WindowState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarava {

enum class MessageIcon { Critical = 16, Information = 64 };

enum class Arrangement { None, TileVertical };

// What the main window shows, handed to the GUI thread after a handler.
struct FrameSnapshot {
    bool shown = false;        // the load has finished and the frame is on screen
    int monitor = 0;           // index into Host::Monitors(), left to right
    bool titleBar = true;      // the start-up removes it
    bool topMost = false;      // the start-up's last step
    std::string caption;       // the main window's caption (empty by design)
    std::vector<int> children; // child window ids, most recently shown first
    Arrangement arrangement = Arrangement::None;
    std::string tickerCaption;
    bool tickerRepeat = false;
    std::uint64_t tickerPass = 0; // counts StartAction calls; a change starts a pass
    bool startupDone = false;
    bool closed = false;
    bool blinkOn = false;      // the shared blink phase
    bool closePending = false; // the close watchdog waits for its confirming pass

    friend bool operator==(const FrameSnapshot&, const FrameSnapshot&) = default;
};

// The services of the window system that the handlers use, and the way their state reaches
// the screen. It exists so that the core never sees the toolkit: production turns each call
// into a queued hand-over to the GUI thread; tests record the calls.
class Host {
public:
    virtual ~Host() = default;

    // The monitors, ordered from left to right.
    virtual std::vector<Rect> Monitors() = 0;

    // Whether another copy of this program runs for the same user.
    virtual bool AnotherCopyRunning() = 0;

    // Shows a message box and returns when the user has closed it.
    virtual void ShowMessage(const std::string& text, const std::string& title,
                             MessageIcon icon) = 0;

    // Moves the mouse pointer to a point of the screen, in pixels.
    virtual void MoveCursor(int x, int y) = 0;

    virtual void PublishFrame(const FrameSnapshot& frame) = 0;
    // Only the controls that changed travel.
    virtual void PublishWindow(const WindowChanges& changes) = 0;

    // Ends the process once everything published so far has been handed over.
    virtual void EndProcess(int exitCode) = 0;
};

} // namespace zarava
