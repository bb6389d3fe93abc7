#pragma once

#include "ports/Geometry.h"

#include <cstdint>
#include <vector>

namespace zarava::picgen {

// A two-colour picture: one byte per pixel, row by row, 0 for the background and 1 for ink.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The complete bytes of a single-frame GIF89a file with a two-entry global colour table
// (background first, ink second) and no extensions, so every reader shows it opaque.
std::vector<std::uint8_t> EncodeGif(const Bitmap& bitmap, Rgb background, Rgb ink);

} // namespace zarava::picgen
