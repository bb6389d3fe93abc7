#include "ports/WindowState.h"

namespace zarava {

int WindowDesign::Find(std::string_view name, int index) const {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].index == index && name == controls[i].name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void WindowSnapshot::Apply(const WindowChanges& changes) {
    windowId = changes.windowId;
    if (changes.design != nullptr && design != changes.design) {
        design = changes.design;
        controls.assign(design->controls.size(), ControlState{});
    }
    for (const ControlChange& change : changes.controls) {
        if (change.control >= 0 && static_cast<std::size_t>(change.control) < controls.size()) {
            controls[static_cast<std::size_t>(change.control)] = change.state;
        }
    }
    closed = changes.closed;
    tag = changes.tag;
}

} // namespace zarava
