#pragma once

#include "ports/Geometry.h"

#include <vector>

namespace zarava {

// The monitors as the display counts them ("a" the first from the left, "b" the second, ...),
// from the screens the window system reports: ordered by left edge, then top edge (a stable
// order for monitors above one another). A screen that wholly contains another is the desktop
// seen as one (an output split into monitors still reports itself) and is left out: the
// monitors are its parts.
std::vector<Rect> MonitorsLeftToRight(const std::vector<Rect>& screens);

} // namespace zarava
