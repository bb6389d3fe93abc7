#pragma once

#include "ports/WindowState.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// A control's position in its window's design table. Handlers that touch a control often look
// it up once and keep its id.
using ControlId = int;

// A window as its handlers see it: the state of its controls, initialised from its design.
// Handlers read the state freely and change it only through the setters, which note what really
// changed, so that the hand-over after a handler carries only those controls, and nothing at
// all when nothing changed.
class Window {
public:
    explicit Window(const WindowDesign& design);
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    int Id() const { return id_; }
    const WindowDesign& Design() const { return design_; }

    // A control by name and array index. Naming a control the design lacks is a programming
    // error: it stops the program in every build, as the window could not be drawn right.
    ControlId Find(std::string_view name, int index = -1) const;
    const ControlState& State(ControlId control) const;
    const ControlState& State(std::string_view name, int index = -1) const {
        return State(Find(name, index));
    }

    void SetVisible(ControlId control, bool visible);
    void SetEnabled(ControlId control, bool enabled);
    void SetCaption(ControlId control, std::string_view caption);
    void SetPicture(ControlId control, const Picture& picture);
    void SetColours(ControlId control, Rgb back, Rgb fore);
    void SetTop(ControlId control, int top);

    bool Closed() const { return closed_; }

    // A number that reports name the window by (a room window: its room number).
    void SetTag(int tag) { tag_ = tag; }

    // The changes since the last call, or nothing when no control differs from what was handed
    // over then (a control changed and changed back counts as unchanged). The first call
    // hands over every control.
    std::optional<WindowChanges> TakeChanges();

    // The whole state, as the receiving side has it after every change was handed over.
    WindowSnapshot Snapshot() const;

protected:
    void MarkClosed();

private:
    ControlState& Changing(ControlId control);

    const WindowDesign& design_;
    int id_;
    std::vector<ControlState> controls_;
    std::vector<ControlState> handedOver_; // as of the last TakeChanges
    std::vector<ControlId> touched_;       // changed since then, each once
    std::vector<bool> isTouched_;
    bool everHandedOver_ = false;
    bool closed_ = false;
    bool closedHandedOver_ = false;
    int tag_ = 0;
    int tagHandedOver_ = 0;
};

} // namespace zarava
