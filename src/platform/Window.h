#pragma once

#include "platform/Geometry.h"

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
    Rgb back{0xF0, 0xF0, 0xF0};
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
    Rgb background{0xF0, 0xF0, 0xF0};
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

// A copy of a window's control state, handed to the GUI thread after a handler.
struct WindowSnapshot {
    int windowId = 0;
    const WindowDesign* design = nullptr;
    std::vector<ControlState> controls; // parallel to design->controls
    bool closed = false;
};

// A child window of the frame as the handlers see it: its controls' state, initialised from
// its design. Handlers change the state; the engine publishes it after each handler.
class Window {
public:
    explicit Window(const WindowDesign& design);
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    int Id() const { return id_; }
    const WindowDesign& Design() const { return design_; }

    // A control by name and array index. Asking for a control the design lacks is a
    // programming error and aborts in debug builds.
    ControlState& Control(std::string_view name, int index = -1);
    const ControlState& Control(std::string_view name, int index = -1) const;

    // Marks the window for publication after the current handler.
    void Touch() { dirty_ = true; }
    bool TakeDirty() {
        const bool d = dirty_;
        dirty_ = false;
        return d;
    }
    WindowSnapshot Snapshot() const;
    bool Closed() const { return closed_; }

protected:
    void MarkClosed() {
        closed_ = true;
        dirty_ = true;
    }

private:
    const WindowDesign& design_;
    int id_;
    std::vector<ControlState> controls_;
    bool dirty_ = true;
    bool closed_ = false;
};

} // namespace zarava
