#pragma once

#include "GifWriter.h"

#include <QPainterPath>
#include <QRawFont>
#include <QString>

namespace zarava::picgen {

// Loads a font file through the application font database and returns it at the given pixel
// size, unhinted. Throws when the file is missing or the database hands back another face,
// so a machine's font substitutions can never slip into the pictures.
QRawFont LoadFontFile(const QString& file, const QString& styleName, qreal pixelSize);

// The outline of a line of text at the font's size, baseline at y = 0, pen starting at x = 0.
// Throws when the font lacks one of the characters.
QPainterPath TextOutline(const QRawFont& font, const QString& text);

// Rasterises an outline given in target pixels: painted anti-aliased at `oversample` times the
// size, averaged back down and cut at half coverage, so each edge lands on the pixel boundary
// nearest the true outline. `embolden` widens every stroke by that many pixels on each side.
Bitmap Rasterize(const QPainterPath& outline, int width, int height, qreal embolden = 0,
                 int oversample = 8);

} // namespace zarava::picgen
