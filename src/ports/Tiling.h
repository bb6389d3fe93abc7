#pragma once

#include "ports/Geometry.h"

#include <vector>

namespace zarava {

// Lays out `count` child windows the way the window system tiles them vertically: floor(sqrt(n))
// rows, n / rows columns filled column by column, the last column taking all remaining windows.
// Index 0 is the first window in stacking order (the most recently shown); it lands top left.
// The cells cover `area` exactly, without gaps or overlaps. A count below 1 gives no cells.
std::vector<Rect> TileVertically(int count, Rect area);

} // namespace zarava
