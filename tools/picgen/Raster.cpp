#include "Raster.h"

#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <stdexcept>

namespace zarava::picgen {

QRawFont LoadFontFile(const QString& file, const QString& styleName, qreal pixelSize) {
    const int id = QFontDatabase::addApplicationFont(file);
    if (id < 0)
        throw std::runtime_error("cannot load font file " + file.toStdString());
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty())
        throw std::runtime_error("no font family in " + file.toStdString());

    QFont font(families.first());
    font.setStyleName(styleName);
    font.setPixelSize(100); // the raw font is resized below
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    font.setHintingPreference(QFont::PreferNoHinting);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || raw.familyName() != families.first() || raw.styleName() != styleName)
        throw std::runtime_error("font database did not return " + file.toStdString() + " (got " +
                                 raw.familyName().toStdString() + " " +
                                 raw.styleName().toStdString() + ")");
    raw.setPixelSize(pixelSize);
    return raw;
}

QPainterPath TextOutline(const QRawFont& font, const QString& text) {
    for (const QChar c : text) {
        if (!font.supportsCharacter(c))
            throw std::runtime_error("font " + font.familyName().toStdString() + " lacks " +
                                     QString(c).toStdString());
    }
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
    QPainterPath outline;
    outline.setFillRule(Qt::WindingFill);
    QPointF pen(0, 0);
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        outline.addPath(font.pathForGlyph(glyphs[i]).translated(pen));
        pen += advances[i];
    }
    // TrueType outlines are meant to be filled by winding; addPath keeps the target's rule.
    outline.setFillRule(Qt::WindingFill);
    return outline;
}

Bitmap Rasterize(const QPainterPath& outline, int width, int height, qreal embolden,
                 int oversample) {
    QImage canvas(width * oversample, height * oversample, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(oversample, oversample);
        painter.fillPath(outline, Qt::white);
        if (embolden > 0) {
            // Mitred joins keep the corners of the strokes square, as a heavier cut would.
            QPen pen(Qt::white, 2 * embolden, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            pen.setMiterLimit(2);
            painter.strokePath(outline, pen);
        }
    }

    Bitmap bitmap{width, height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
    const int half = oversample * oversample * 255 / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int coverage = 0;
            for (int sy = 0; sy < oversample; ++sy) {
                const auto* row =
                    reinterpret_cast<const QRgb*>(canvas.constScanLine(y * oversample + sy));
                for (int sx = 0; sx < oversample; ++sx)
                    coverage += qRed(row[x * oversample + sx]);
            }
            bitmap.pixels[static_cast<std::size_t>(y) * width + x] = coverage >= half ? 1 : 0;
        }
    }
    return bitmap;
}

} // namespace zarava::picgen
