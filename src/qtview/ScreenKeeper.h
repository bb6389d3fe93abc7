#pragma once

#include <memory>

namespace zarava {

// Keeps the waiting-room screen lit while the display runs. On an X server it switches off
// the screen saver and power saving, as `xset s off -dpms` would, and suspends both for as long
// as the display is connected (the suspension ends by itself should the display crash). Where
// the session offers the freedesktop screen-saver service on D-Bus (desktops whose own idle
// handling ignores the X server's settings), it asks that service to inhibit idling too. The X
// settings found at the start are put back when the keeper goes, so the screen may sleep at
// night after the issuer has closed. Without a real screen (offscreen) it does nothing.
// Made and destroyed on the GUI thread, while the application exists.
class ScreenKeeper {
public:
    ScreenKeeper();
    ~ScreenKeeper();
    ScreenKeeper(const ScreenKeeper&) = delete;
    ScreenKeeper& operator=(const ScreenKeeper&) = delete;

private:
    struct X11Settings;
    struct Inhibition;
    std::unique_ptr<X11Settings> x11_;
    std::unique_ptr<Inhibition> inhibition_;
};

} // namespace zarava
