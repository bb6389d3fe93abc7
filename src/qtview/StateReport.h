#pragma once

#include <QByteArray>

namespace zarava {

class DisplayView;

// What the display shows, as UTF-8 JSON for IT staff and for checks: the frame (its monitor,
// the ticker text, the blink phase, whether a close is pending) and every child window in
// stacking order with its cell and every control by its design name ("ImgW(0)", "TlxCall"):
// whether it is visible, the picture an image shows (the name of the palette element or
// design picture, "" for none), the caption, colours and enabled flag of a label.
QByteArray StateReport(const DisplayView& view);

} // namespace zarava
