#pragma once

#include "ports/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// What a control is, as far as drawing it goes.
enum class ControlKind {
    TextLabel,  // label with text, font and colours (title band, headings, notice text)
    PlainLabel, // caption label (counter caption, swatches, barcode collector)
    Image,      // stretches its picture to its size
    Frame,      // a panel that covers what lies under it; its children are drawn inside it
};

enum class TextAlign { Left, Center };

struct FontDesign {
    const char* name = "";
    double pointSize = 9;
    bool bold = false;
};

// One control of a window's design. Positions and sizes are in design units (twips, 15 to the
// pixel at the design resolution); the view scales them to the window's current size.
struct ControlDesign {
    const char* name = "";
    int index = -1; // element of a control array, -1 for a single control
    ControlKind kind = ControlKind::Image;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int parent = -1; // position in the design table of the containing frame, -1: the window
    FontDesign font;
    Rgb back = kWindowBackground;
    Rgb fore{0, 0, 0};
    const char* caption = "";
    const char* picture = ""; // name of an embedded picture, "" for none
    bool visible = true;
    TextAlign align = TextAlign::Center;
};

// The design of a window class: its client size in design units and its controls.
struct WindowDesign {
    const char* className = "";
    int width = 0; // design client area, twips
    int height = 0;
    Rgb background = kWindowBackground;
    std::vector<ControlDesign> controls;

    // Position of a control in the table, -1 when the design has no such control.
    int Find(std::string_view name, int index = -1) const;
};

// What an image control shows: an embedded picture of the program, the bytes of a picture file
// read from the program folder, or nothing.
struct Picture {
    std::string resource;
    std::shared_ptr<const std::string> fileBytes;

    bool Empty() const { return resource.empty() && !fileBytes; }
    friend bool operator==(const Picture& a, const Picture& b) {
        return a.resource == b.resource && a.fileBytes == b.fileBytes;
    }
};

// The state of one control that handlers may change; everything else comes from the design.
struct ControlState {
    bool visible = true;
    bool enabled = true;
    std::string caption;
    Rgb back;
    Rgb fore;
    Picture picture;
    int top = 0; // design units

    friend bool operator==(const ControlState&, const ControlState&) = default;
};

// What changed in one window since its last hand-over: the controls whose state differs from
// what was handed over before (every control the first time), by their position in the design.
struct ControlChange {
    int control = 0;
    ControlState state;
};
struct WindowChanges {
    int windowId = 0;
    const WindowDesign* design = nullptr;
    std::vector<ControlChange> controls;
    bool closed = false;
    int tag = 0; // what the window shows, for reports: a room window's room number
};

// A window's whole control state as the receiving side keeps it, built up from the changes.
struct WindowSnapshot {
    int windowId = 0;
    const WindowDesign* design = nullptr;
    std::vector<ControlState> controls; // parallel to design->controls once anything arrived
    bool closed = false;
    int tag = 0;

    // Takes the changes over; the first changes of a window bring every control.
    void Apply(const WindowChanges& changes);
};

} // namespace zarava
