#pragma once

#include "window/Window.h"

namespace zarava {

// A child window of the frame: its load runs during its first show, its unload when it closes,
// however it is closed.
class ChildWindow : public Window {
public:
    using Window::Window;

    void Show() {
        if (!loaded_) {
            loaded_ = true;
            Load();
        }
    }
    void Close() {
        if (loaded_ && !Closed()) {
            Unload();
            MarkClosed();
        }
    }

protected:
    virtual void Load() = 0;
    virtual void Unload() {}

private:
    bool loaded_ = false;
};

} // namespace zarava
