#pragma once

#include "window/Window.h"

namespace zarava {

class SettingsSnapshot;

// A child window of the frame: its load runs during its first show, its unload when it closes,
// however it is closed. Both are rare and exclusive, and do their file work in place, with the
// settings as read for the handler that shows or closes the window.
class ChildWindow : public Window {
public:
    using Window::Window;

    void Show(SettingsSnapshot& settings) {
        if (!loaded_) {
            loaded_ = true;
            Load(settings);
        }
    }
    void Close(SettingsSnapshot& settings) {
        if (loaded_ && !Closed()) {
            Unload(settings);
            MarkClosed();
        }
    }

protected:
    virtual void Load(SettingsSnapshot& settings) = 0;
    virtual void Unload(SettingsSnapshot&) {}

private:
    bool loaded_ = false;
};

} // namespace zarava
