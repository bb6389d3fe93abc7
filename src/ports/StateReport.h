#pragma once

#include "ports/Geometry.h"
#include "ports/Host.h"
#include "ports/WindowState.h"

#include <string>
#include <vector>

namespace zarava {

// A child window as the screen shows it: its state and its cell in frame pixels.
struct ReportedWindow {
    const WindowSnapshot* snapshot = nullptr;
    Rect cell;
};

// What the display shows, as UTF-8 JSON for IT staff and for checks, the same from every view:
// the frame (its monitor, the ticker text, the blink phase, whether a close is pending) and
// every child window in stacking order with its cell and every control by its design name
// ("ImgW(0)", "TlxCall"), in design order: whether it is visible, where it shows in the frame
// (x, y, width, height; only for a control that shows), the picture an image shows (the name
// of the palette element or design picture, "file" for a picture file, "" for none), the
// caption, colours and enabled flag of a label. One control a line, so two reports compare
// line by line.
std::string StateReport(const FrameSnapshot& frame, const std::vector<ReportedWindow>& windows);

} // namespace zarava
