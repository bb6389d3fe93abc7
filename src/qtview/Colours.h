#pragma once

#include "ports/Geometry.h"

#include <QColor>

namespace zarava {

inline QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace zarava
