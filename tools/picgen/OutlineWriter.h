#pragma once

#include "ports/Geometry.h"

#include <QPainterPath>
#include <QString>

#include <string>
#include <vector>

namespace zarava::picgen {

// A drawing in a picture's pixels (y down), filled by the non-zero rule and then stroked with a
// pen `embolden` pixels wide on each side, with mitred joins limited to two pen widths.
struct OutlineShape {
    QString name;
    QPainterPath outline;
    qreal embolden = 0;
};

// A design picture: its size, its two colours, and the shape it shows.
struct OutlinePicture {
    QString name;
    int width = 0;
    int height = 0;
    Rgb background;
    Rgb ink;
    QString shape;
};

// Every point rounded to the hundredth of a pixel that the outline file keeps, curves kept as
// curves.
QPainterPath QuantisedForFile(const QPainterPath& outline);

// The text of the outline file: a comment saying how to read it, the shapes, then the pictures.
// Throws when a name holds white space or a picture names a shape that is not given.
std::string FormatOutlines(const std::vector<OutlineShape>& shapes,
                           const std::vector<OutlinePicture>& pictures);

} // namespace zarava::picgen
