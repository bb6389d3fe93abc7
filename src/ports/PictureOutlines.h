#pragma once

#include "ports/Geometry.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// The design pictures as the outlines they were made from (the text zarava-picgen writes):
// shapes of contours, and pictures that show a shape in an ink on a background at a design size.
// Parsing only, one reading for every view; drawing is each view's.
struct OutlineStep {
    enum Kind { Move, Line, Curve, Close };
    Kind kind = Move;
    double points[6] = {}; // x y pairs: one for Move and Line, three for Curve
};

struct OutlineShape {
    std::vector<OutlineStep> steps;
    double widen = 0; // the pen's reach on each side of the contours
};

struct OutlinePicture {
    int width = 0;
    int height = 0;
    Rgb background;
    Rgb ink;
    std::size_t shape = 0; // into PictureOutlines::shapes
};

struct PictureOutlines {
    std::vector<OutlineShape> shapes;
    std::map<std::string, OutlinePicture, std::less<>> pictures;
};

// A line that cannot be read spoils the shape it belongs to; pictures of a spoilt or empty
// shape, or that name no shape given before them, are left out (they keep their bitmaps).
PictureOutlines ParseOutlines(std::string_view text);

} // namespace zarava
