#include "OutlineWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace zarava::picgen {
namespace {

constexpr qreal kSteps = 100; // per pixel

qreal Quantised(qreal v) {
    return std::round(v * kSteps) / kSteps;
}

// Two decimals at most, without trailing zeros, and never "-0".
std::string Number(qreal v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", Quantised(v) == 0 ? 0.0 : Quantised(v));
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

std::string Point(const QPainterPath::Element& e) {
    return ' ' + Number(e.x) + ' ' + Number(e.y);
}

std::string Hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", c.r, c.g, c.b);
    return text;
}

void CheckName(const QString& name) {
    if (name.isEmpty() ||
        std::any_of(name.begin(), name.end(), [](QChar c) { return c.isSpace(); }))
        throw std::invalid_argument("unusable name in the outline file: " + name.toStdString());
}

// A contour is closed when it ends where it began; the file says so, as a reader may stroke
// an open contour with caps instead of a join.
void CloseContour(std::string& out, const QPainterPath& path, int start, int end) {
    if (start >= 0 && end > start && path.elementAt(start).x == path.elementAt(end).x &&
        path.elementAt(start).y == path.elementAt(end).y)
        out += "Z\n";
}

std::string Contours(const QPainterPath& path) {
    std::string out;
    int start = -1;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            CloseContour(out, path, start, i - 1);
            start = i;
            out += 'M' + Point(e) + '\n';
            break;
        case QPainterPath::LineToElement:
            out += 'L' + Point(e) + '\n';
            break;
        case QPainterPath::CurveToElement:
            out +=
                'C' + Point(e) + Point(path.elementAt(i + 1)) + Point(path.elementAt(i + 2)) + '\n';
            i += 2;
            break;
        case QPainterPath::CurveToDataElement:
            throw std::logic_error("curve data without a curve");
        }
    }
    CloseContour(out, path, start, path.elementCount() - 1);
    return out;
}

} // namespace

QPainterPath QuantisedForFile(const QPainterPath& outline) {
    QPainterPath out;
    out.setFillRule(outline.fillRule());
    const auto at = [&](int i) {
        return QPointF(Quantised(outline.elementAt(i).x), Quantised(outline.elementAt(i).y));
    };
    for (int i = 0; i < outline.elementCount(); ++i) {
        switch (outline.elementAt(i).type) {
        case QPainterPath::MoveToElement:
            out.moveTo(at(i));
            break;
        case QPainterPath::LineToElement:
            out.lineTo(at(i));
            break;
        case QPainterPath::CurveToElement:
            out.cubicTo(at(i), at(i + 1), at(i + 2));
            i += 2;
            break;
        case QPainterPath::CurveToDataElement:
            throw std::logic_error("curve data without a curve");
        }
    }
    return out;
}

std::string FormatOutlines(const std::vector<OutlineShape>& shapes,
                           const std::vector<OutlinePicture>& pictures) {
    std::string out =
        "# Outlines of the room window's pictures, written by zarava-picgen: do not edit.\n"
        "# shape NAME WIDEN: the contours that follow, in the picture's pixels with y down\n"
        "#   (M x y, L x y, C x1 y1 x2 y2 x y, Z ends a closed contour), filled by the\n"
        "#   non-zero rule, then stroked with a pen WIDEN pixels wide on each side,\n"
        "#   mitred joins limited to two pen widths.\n"
        "# picture NAME WIDTH HEIGHT BACKGROUND INK SHAPE: a design picture of WIDTH x HEIGHT\n"
        "#   pixels showing SHAPE in INK on BACKGROUND (RRGGBB).\n";
    for (const OutlineShape& shape : shapes) {
        CheckName(shape.name);
        out += "shape " + shape.name.toStdString() + ' ' + Number(shape.embolden) + '\n';
        out += Contours(shape.outline);
    }
    for (const OutlinePicture& picture : pictures) {
        CheckName(picture.name);
        if (std::none_of(shapes.begin(), shapes.end(),
                         [&](const OutlineShape& s) { return s.name == picture.shape; }))
            throw std::invalid_argument("no shape " + picture.shape.toStdString());
        out += "picture " + picture.name.toStdString() + ' ' + std::to_string(picture.width) + ' ' +
               std::to_string(picture.height) + ' ' + Hex(picture.background) + ' ' +
               Hex(picture.ink) + ' ' + picture.shape.toStdString() + '\n';
    }
    return out;
}

} // namespace zarava::picgen
