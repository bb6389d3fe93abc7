#pragma once

#include "ports/WindowState.h"
#include "qtview/Fonts.h"
#include "qtview/WindowView.h"

#include <QImage>

#include <cstdlib>

namespace zarava::test {

// The smallest rectangle holding every pixel of `area` (the whole image when null) within
// `tolerance` per channel of the colour; empty if there is none.
inline QRect Extent(const QImage& picture, QRgb colour, QRect area = {}, int tolerance = 0) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    area = area.isNull() ? image.rect() : area.intersected(image.rect());
    const auto near = [&](int a, int b) { return std::abs(a - b) <= tolerance; };
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (near(qRed(p), qRed(colour)) && near(qGreen(p), qGreen(colour)) &&
                near(qBlue(p), qBlue(colour))) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

// What a window shows of the snapshot at the given size, its fonts as the program has them.
inline QImage Grab(const WindowSnapshot& snapshot, QSize size) {
    InstallDesignFontSubstitutions();
    WindowView view;
    view.resize(size);
    view.setSnapshot(snapshot);
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace zarava::test
