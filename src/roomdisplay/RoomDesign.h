#pragma once

#include "ports/WindowState.h"

namespace zarava {

// The room window as the designer laid it out: every control with its design position (twips
// of the 11880 x 8715 client area), colours, fonts, texts and pictures. Controls whose top is
// 8040 or more lie below the client area: digit palettes, colour swatches and the barcode
// collector, which the handlers copy from or write to and the viewer never sees.
const WindowDesign& RoomWindowDesign();

// The waiting board: slot k (0 to 11) is drawn by ImgW(3k) to ImgW(3k + 2).
inline constexpr int kWaitingSlots = 12;

} // namespace zarava
