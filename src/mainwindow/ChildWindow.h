#pragma once

#include "platform/Window.h"

namespace zarava {

// A child window of the frame: its load runs during its first show, its unload when it closes.
class ChildWindow : public Window {
public:
    using Window::Window;

    void Show() {
        if (!loaded_) {
            loaded_ = true;
            Load();
        }
        Touch();
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
