#include "window/Window.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zarava {

namespace {
std::atomic<int> nextWindowId{1};
}

Window::Window(const WindowDesign& design)
    : design_(design), id_(nextWindowId++), isTouched_(design.controls.size(), false) {
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

ControlId Window::Find(std::string_view name, int index) const {
    const int found = design_.Find(name, index);
    if (found < 0) {
        std::fprintf(stderr, "%s has no control %s(%d)\n", design_.className,
                     std::string(name).c_str(), index);
        std::abort();
    }
    return found;
}

const ControlState& Window::State(ControlId control) const {
    return controls_.at(static_cast<std::size_t>(control));
}

ControlState& Window::Changing(ControlId control) {
    const auto i = static_cast<std::size_t>(control);
    if (!isTouched_.at(i)) {
        isTouched_[i] = true;
        touched_.push_back(control);
    }
    return controls_[i];
}

void Window::SetVisible(ControlId control, bool visible) {
    if (State(control).visible != visible) {
        Changing(control).visible = visible;
    }
}

void Window::SetEnabled(ControlId control, bool enabled) {
    if (State(control).enabled != enabled) {
        Changing(control).enabled = enabled;
    }
}

void Window::SetCaption(ControlId control, std::string_view caption) {
    if (State(control).caption != caption) {
        Changing(control).caption = caption;
    }
}

void Window::SetPicture(ControlId control, const Picture& picture) {
    if (!(State(control).picture == picture)) {
        Changing(control).picture = picture;
    }
}

void Window::SetColours(ControlId control, Rgb back, Rgb fore) {
    if (State(control).back != back || State(control).fore != fore) {
        ControlState& s = Changing(control);
        s.back = back;
        s.fore = fore;
    }
}

void Window::SetTop(ControlId control, int top) {
    if (State(control).top != top) {
        Changing(control).top = top;
    }
}

void Window::MarkClosed() {
    closed_ = true;
}

std::optional<WindowChanges> Window::TakeChanges() {
    if (!everHandedOver_) {
        everHandedOver_ = true;
        handedOver_ = controls_;
        WindowChanges all{id_, &design_, {}, closed_, tag_};
        all.controls.reserve(controls_.size());
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            all.controls.push_back({static_cast<ControlId>(i), controls_[i]});
        }
        for (ControlId c : touched_) {
            isTouched_[static_cast<std::size_t>(c)] = false;
        }
        touched_.clear();
        closedHandedOver_ = closed_;
        tagHandedOver_ = tag_;
        return all;
    }
    WindowChanges changes{id_, &design_, {}, closed_, tag_};
    for (ControlId c : touched_) {
        const auto i = static_cast<std::size_t>(c);
        isTouched_[i] = false;
        if (!(controls_[i] == handedOver_[i])) {
            handedOver_[i] = controls_[i];
            changes.controls.push_back({c, controls_[i]});
        }
    }
    touched_.clear();
    if (changes.controls.empty() && closed_ == closedHandedOver_ && tag_ == tagHandedOver_) {
        return std::nullopt;
    }
    closedHandedOver_ = closed_;
    tagHandedOver_ = tag_;
    return changes;
}

WindowSnapshot Window::Snapshot() const {
    return {id_, &design_, controls_, closed_, tag_};
}

} // namespace zarava
