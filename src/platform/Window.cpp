#include "platform/Window.h"

#include <atomic>
#include <cassert>
#include <cstdlib>

namespace zarava {

namespace {
std::atomic<int> nextWindowId{1};
}

int WindowDesign::Find(std::string_view name, int index) const {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].index == index && name == controls[i].name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Window::Window(const WindowDesign& design) : design_(design), id_(nextWindowId++) {
    controls_.reserve(design.controls.size());
    for (const ControlDesign& c : design.controls) {
        ControlState s;
        s.visible = c.visible;
        s.caption = c.caption;
        s.back = c.back;
        s.fore = c.fore;
        if (*c.picture != '\0') {
            s.picture.resource = c.picture;
        }
        s.top = c.top;
        controls_.push_back(std::move(s));
    }
}

ControlState& Window::Control(std::string_view name, int index) {
    const int i = design_.Find(name, index);
    assert(i >= 0 && "control not in the design");
    if (i < 0) {
        std::abort();
    }
    dirty_ = true; // handed out for change
    return controls_[static_cast<std::size_t>(i)];
}

const ControlState& Window::Control(std::string_view name, int index) const {
    const int i = design_.Find(name, index);
    assert(i >= 0 && "control not in the design");
    if (i < 0) {
        std::abort();
    }
    return controls_[static_cast<std::size_t>(i)];
}

WindowSnapshot Window::Snapshot() const {
    return {id_, &design_, controls_, closed_};
}

} // namespace zarava
