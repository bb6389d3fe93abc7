#pragma once

#include "ports/Host.h"
#include "ports/TickerNotification.h"

#include <functional>
#include <memory>
#include <string>

namespace zarava {

// The display's screen on Windows, for the program's wiring: the frame with its band and child
// windows, the host the engine talks to, the screen kept lit, and the GUI thread's message loop.
// Made and used on the GUI thread, except RunOnGui. Holds Windows' headers away from the core's.
class Win32Display {
public:
    Win32Display();
    ~Win32Display();
    Win32Display(const Win32Display&) = delete;
    Win32Display& operator=(const Win32Display&) = delete;

    Host& host();

    // Input for the engine, called on the GUI thread.
    void OnTickerNotification(std::function<void(TickerNotification)> callback);
    void OnCloseRequest(std::function<void()> callback);
    void OnKeyPress(std::function<void(int windowId, char32_t key)> callback);
    // Once the start-up has finished and every window is drawn.
    void OnStartupDrawn(std::function<void()> callback);

    // Runs work on the GUI thread after everything handed over so far (any thread).
    void RunOnGui(std::function<void()> work);
    // Calls back on the GUI thread after the given time.
    void After(int milliseconds, std::function<void()> callback);
    // From now on message boxes are not shown; one that is open is closed.
    void SetStopping();

    // Runs the GUI thread's messages until the host ends the process; returns its exit code.
    int Run();

    // A PNG of the whole frame as the screen shows it; false when the file cannot be written.
    bool SaveScreenshot(const std::string& utf8Path) const;
    // What every window shows, as the state report's JSON.
    std::string State() const;
    // The shared blink phase as the screen shows it: the called numbers are up.
    bool BlinkOn() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace zarava
