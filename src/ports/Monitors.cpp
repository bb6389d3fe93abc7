#include "ports/Monitors.h"

#include <algorithm>

namespace zarava {

std::vector<Rect> MonitorsLeftToRight(const std::vector<Rect>& screens) {
    const auto contains = [](const Rect& outer, const Rect& inner) {
        return !(outer == inner) && outer.left <= inner.left && outer.top <= inner.top &&
               outer.Right() >= inner.Right() && outer.Bottom() >= inner.Bottom();
    };
    std::vector<Rect> result = screens;
    std::erase_if(result, [&](const Rect& r) {
        return std::any_of(screens.begin(), screens.end(),
                           [&](const Rect& o) { return contains(r, o); });
    });
    std::stable_sort(result.begin(), result.end(), [](const Rect& a, const Rect& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    return result;
}

} // namespace zarava
