#include "ports/DisplayLayout.h"

#include "ports/Tiling.h"

#include <algorithm>
#include <cmath>

namespace zarava {

namespace {

constexpr int kDesignLabelHeight = 41;
constexpr int kDesignBandHeight = 44;
constexpr int kDesignScreenHeight = 768;
constexpr double kTwipsPerPixel = 15.0;

struct DesignBox {
    int left, top, width, height;
};

DesignBox Box(const WindowSnapshot& window, std::size_t control) {
    const ControlDesign& design = window.design->controls[control];
    DesignBox box{design.left, window.controls[control].top, design.width, design.height};
    if (design.parent >= 0 && static_cast<std::size_t>(design.parent) < control) {
        const DesignBox parent = Box(window, static_cast<std::size_t>(design.parent));
        box.left += parent.left;
        box.top += parent.top;
    }
    return box;
}

bool Complete(const WindowSnapshot& window, std::size_t control) {
    return window.design != nullptr && window.design->width > 0 && window.design->height > 0 &&
           window.controls.size() == window.design->controls.size() &&
           control < window.controls.size();
}

} // namespace

int BandHeight(int frameHeight) {
    const long long scaled = 1LL * kDesignBandHeight * frameHeight / kDesignScreenHeight;
    return std::max(kDesignBandHeight, static_cast<int>(scaled));
}

double UsableRefreshRate(double reportedHz) {
    return reportedHz >= 20 && reportedHz <= 1000 ? reportedHz : 60;
}

// A band squeezed below its design height still moves at the design pace, so a pass always
// ends in reasonable time.
int BandStepPixels(int bandHeight, double refreshHz) {
    const double perFrame = kBandHeightsPerSecond * std::max(bandHeight, kDesignLabelHeight) /
                            UsableRefreshRate(refreshHz);
    return std::max(1, static_cast<int>(std::lround(perFrame)));
}

std::vector<Rect> ChildCells(int frameWidth, int frameHeight, int count) {
    const int band = BandHeight(frameHeight);
    return TileVertically(count,
                          {0, band, std::max(0, frameWidth), std::max(0, frameHeight - band)});
}

Rect ChildClient(Rect cell) {
    return {cell.left + kChildBorder, cell.top + kChildBorder,
            std::max(0, cell.width - 2 * kChildBorder),
            std::max(0, cell.height - 2 * kChildBorder)};
}

bool ControlShown(const WindowSnapshot& window, std::size_t control) {
    if (!Complete(window, control) || !window.controls[control].visible) {
        return false;
    }
    const int parent = window.design->controls[control].parent;
    return parent < 0 || (static_cast<std::size_t>(parent) < control &&
                          ControlShown(window, static_cast<std::size_t>(parent)));
}

Rect ControlRect(const WindowSnapshot& window, std::size_t control, int clientWidth,
                 int clientHeight) {
    if (!Complete(window, control)) {
        return {};
    }
    const DesignBox box = Box(window, control);
    if (box.top >= window.design->height) {
        return {};
    }
    const double sx = clientWidth / (window.design->width / kTwipsPerPixel);
    const double sy = clientHeight / (window.design->height / kTwipsPerPixel);
    const auto x = [sx](int twips) { return static_cast<int>(std::lround(twips * sx / 15)); };
    const auto y = [sy](int twips) { return static_cast<int>(std::lround(twips * sy / 15)); };
    const int left = x(box.left);
    const int top = y(box.top);
    return {left, top, x(box.left + box.width) - left, y(box.top + box.height) - top};
}

} // namespace zarava
