// Draws the digit palettes, glyphs and banner of the room window as two-colour GIF files, and
// writes the outlines they were drawn from, so the display can draw them sharp at any size.
// Run by hand after a change of font or layout; the files it writes are committed.

#include "GifWriter.h"
#include "OutlineWriter.h"
#include "Raster.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace zarava::picgen {
namespace {

const QString kDigitFont = QStringLiteral("/usr/share/fonts/truetype/noto/NotoSerif-Bold.ttf");
const QString kGothicFont = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
const QString kPGothicFont = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf");

constexpr Rgb kWindow{0xF0, 0xF0, 0xF0};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kBlack{0x00, 0x00, 0x00};
constexpr Rgb kBlue{0x00, 0x80, 0xFF};
constexpr Rgb kGreen{0x00, 0x96, 0x00};
constexpr Rgb kPink{0xFF, 0x3F, 0x9F};
constexpr Rgb kOrange{0xFF, 0x80, 0x00};
constexpr Rgb kLightBlue{0x7F, 0xBF, 0xFF};
constexpr Rgb kDarkGrey{0x37, 0x37, 0x37};

constexpr int kDigitSide = 140;
// Share of the picture height taken by the common box of the ten numerals: large enough to
// read across a room, with room left so neighbouring digits in a row do not touch.
constexpr qreal kDigitFill = 0.83;
constexpr int kGlyphSide = 40;
constexpr qreal kGlyphFill = 0.90;
constexpr int kBannerWidth = 400;
constexpr int kBannerHeight = 60;
constexpr qreal kBannerFill = 0.90;
// Stroke widening, in pixels per side at the picture's own size. The IPA faces come in one
// weight only; this lets them hold up next to the bold numerals.
constexpr qreal kGlyphEmbolden = 0.7;
// A touch for the numerals too: it thickens their thin diagonals and hairlines relatively more
// than the stems, so every numeral looks equally heavy from afar.
constexpr qreal kDigitEmbolden = 0.8;
constexpr qreal kBannerEmbolden = 1.0;
// Outlines are taken at this size so rounding in the font engine plays no part.
constexpr qreal kReferenceSize = 1000;

// One drawing, shared by the pictures that show it in different colours.
struct Shape {
    QString name;
    QPainterPath outline; // in the picture's pixels
    qreal embolden = 0;
    Bitmap bitmap;
};

struct Picture {
    QString name;
    std::size_t shape; // index into the shapes
    Rgb background;
    Rgb ink;
};

// The outline is quantised before it is rasterised, so the GIF and the outline file show the
// very same geometry.
Shape Draw(const QString& name, const QPainterPath& placed, int width, int height, qreal embolden) {
    const QPainterPath outline = QuantisedForFile(placed);
    return {name, outline, embolden, Rasterize(outline, width, height, embolden)};
}

// All ten numerals at one size on one baseline. The common box of the numerals (tallest top to
// lowest bottom) is centred vertically, so every digit sits at the same height whatever its own
// overshoot; horizontally each digit is centred on its own ink, as a row of pictures wants.
std::vector<Shape> DrawDigits() {
    const QRawFont font = LoadFontFile(kDigitFont, QStringLiteral("Bold"), kReferenceSize);
    std::vector<QPainterPath> outlines;
    QRectF box;
    for (int d = 0; d <= 9; ++d) {
        outlines.push_back(TextOutline(font, QString::number(d)));
        box = box.isNull() ? outlines.back().boundingRect()
                           : box.united(outlines.back().boundingRect());
    }
    const qreal scale = kDigitFill * kDigitSide / box.height();
    // A whole-pixel baseline lets the flat feet of the numerals end exactly on a pixel edge.
    const qreal baseline = std::round(kDigitSide / 2.0 - scale * box.center().y());

    std::vector<Shape> shapes;
    for (int d = 0; d <= 9; ++d) {
        const QRectF ink = outlines[d].boundingRect();
        if (ink.width() * scale > kDigitSide * 0.9)
            throw std::runtime_error("a numeral is too wide for its picture");
        QTransform place;
        place.translate(kDigitSide / 2.0 - scale * ink.center().x(), baseline);
        place.scale(scale, scale);
        shapes.push_back(Draw(QStringLiteral("numeral%1").arg(d), place.map(outlines[d]),
                              kDigitSide, kDigitSide, kDigitEmbolden));
    }

    // The dash stands for "no number". The font's hyphen has the numerals' weight but is too
    // stubby to read as a dash on its own, its en dash too thin; so the hyphen is drawn wider,
    // to most of the width of a zero, and centred on the numerals' box.
    const QPainterPath dashOutline = TextOutline(font, QStringLiteral("-"));
    const QRectF ink = dashOutline.boundingRect();
    const qreal dashWidth = 0.8 * outlines[0].boundingRect().width() * scale;
    QTransform place;
    place.translate(kDigitSide / 2.0 - dashWidth / 2.0,
                    baseline + scale * (box.center().y() - ink.center().y()));
    place.scale(dashWidth / ink.width(), scale);
    place.translate(-ink.left(), 0);
    shapes.push_back(Draw(QStringLiteral("dash"), place.map(dashOutline), kDigitSide, kDigitSide,
                          kDigitEmbolden));
    return shapes;
}

// Scales an outline to fill `fill` of the picture along its tighter side, including the
// emboldening, and centres it on its ink.
Shape DrawCentred(const QString& name, const QPainterPath& outline, int width, int height,
                  qreal fill, qreal embolden) {
    const QRectF ink = outline.boundingRect();
    const qreal scale = std::min((fill * width - 2 * embolden) / ink.width(),
                                 (fill * height - 2 * embolden) / ink.height());
    QTransform place;
    place.translate(width / 2.0 - scale * ink.center().x(),
                    height / 2.0 - scale * ink.center().y());
    place.scale(scale, scale);
    return Draw(name, place.map(outline), width, height, embolden);
}

// Fills `shapes` and returns the pictures that show them.
std::vector<Picture> DrawAll(std::vector<Shape>& shapes) {
    shapes = DrawDigits(); // numerals 0 to 9, then the dash
    constexpr std::size_t kDash = 10;
    std::vector<Picture> pictures;

    struct Palette {
        const char* prefix;
        Rgb background;
        Rgb ink;
    };
    const Palette palettes[] = {
        {"ImgB", kWindow, kBlue},   {"ImgG", kWindow, kGreen},      {"ImgR", kWindow, kPink},
        {"ImgO", kWindow, kOrange}, {"ImgOr", kWindow, kLightBlue}, {"ImgBr", kWindow, kDarkGrey},
        {"ImgW", kWhite, kGreen},
    };
    for (const Palette& palette : palettes) {
        for (std::size_t d = 0; d <= 9; ++d)
            pictures.push_back({QStringLiteral("%1_%2").arg(palette.prefix).arg(d), d,
                                palette.background, palette.ink});
    }
    pictures.push_back({QStringLiteral("ImgG_10"), kDash, kWindow, kGreen});

    const QRawFont gothic = LoadFontFile(kGothicFont, QStringLiteral("Regular"), kReferenceSize);
    struct Glyph {
        const char* name;
        char16_t character;
        Rgb ink;
    };
    const Glyph glyphs[] = {
        {"GlyphBan", u'番', kPink},
        {"GlyphYaku", u'約', kGreen},
        {"GlyphFun", u'分', kGreen},
        {"GlyphNin", u'人', kBlue},
    };
    for (const Glyph& glyph : glyphs) {
        const QString name = QString::fromLatin1(glyph.name);
        const QPainterPath outline = TextOutline(gothic, QString(QChar(glyph.character)));
        pictures.push_back({name, shapes.size(), kWindow, glyph.ink});
        shapes.push_back(
            DrawCentred(name, outline, kGlyphSide, kGlyphSide, kGlyphFill, kGlyphEmbolden));
    }

    // Proportional kana let the line take a larger size in the banner's width.
    const QRawFont pgothic = LoadFontFile(kPGothicFont, QStringLiteral("Regular"), kReferenceSize);
    const QPainterPath banner = TextOutline(pgothic, QStringLiteral("お待たせしました"));
    pictures.push_back({QStringLiteral("Banner"), shapes.size(), kWindow, kBlack});
    shapes.push_back(DrawCentred(QStringLiteral("Banner"), banner, kBannerWidth, kBannerHeight,
                                 kBannerFill, kBannerEmbolden));
    return pictures;
}

// Reads the file back with Qt's own GIF reader and compares every pixel, so a fault in the
// encoder shows up here and not on a waiting-room screen.
void CheckReadsBack(const QString& path, const Picture& picture, const Bitmap& bitmap) {
    const QImage image(path);
    if (image.isNull() || image.width() != bitmap.width || image.height() != bitmap.height)
        throw std::runtime_error("Qt cannot read back " + path.toStdString());
    const auto expected = [](Rgb c) { return qRgb(c.r, c.g, c.b); };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = expected(bitmap.At(x, y) ? picture.ink : picture.background);
            if (image.pixel(x, y) != want)
                throw std::runtime_error("pixel mismatch reading back " + path.toStdString());
        }
    }
}

void WriteFile(const QString& path, const char* data, std::size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size) || !file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}

int Run(const QString& folder) {
    std::vector<Shape> shapes;
    const std::vector<Picture> pictures = DrawAll(shapes);
    for (const Picture& picture : pictures) {
        const Bitmap& bitmap = shapes[picture.shape].bitmap;
        const std::vector<std::uint8_t> bytes = EncodeGif(bitmap, picture.background, picture.ink);
        const QString path = folder + QLatin1Char('/') + picture.name + QStringLiteral(".gif");
        WriteFile(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
        CheckReadsBack(path, picture, bitmap);
        std::printf("%s (%d x %d, %zu bytes)\n", qPrintable(path), bitmap.width, bitmap.height,
                    bytes.size());
    }

    std::vector<OutlineShape> outlineShapes;
    for (const Shape& shape : shapes)
        outlineShapes.push_back({shape.name, shape.outline, shape.embolden});
    std::vector<OutlinePicture> outlinePictures;
    for (const Picture& picture : pictures) {
        const Shape& shape = shapes[picture.shape];
        outlinePictures.push_back({picture.name, shape.bitmap.width, shape.bitmap.height,
                                   picture.background, picture.ink, shape.name});
    }
    const std::string text = FormatOutlines(outlineShapes, outlinePictures);
    const QString path = folder + QStringLiteral("/outlines.txt");
    WriteFile(path, text.data(), text.size());
    std::printf("%s (%zu shapes, %zu bytes)\n", qPrintable(path), shapes.size(), text.size());
    return 0;
}

} // namespace
} // namespace zarava::picgen

int main(int argc, char** argv) {
    // Fonts need a GUI application object, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zarava-picgen <output folder>\n");
        return 2;
    }
    try {
        return zarava::picgen::Run(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zarava-picgen: %s\n", e.what());
        return 1;
    }
}
