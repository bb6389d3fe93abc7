#include "qtview/PictureRenderer.h"

#include "Pictures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zarava {
namespace {

QByteArray Resource(const QString& name) {
    QFile file(QStringLiteral(":/pictures/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A design picture's bitmap and its two colours: background in the corner, ink elsewhere.
struct Design {
    QImage bitmap;
    QRgb background = 0;
    QRgb ink = 0;

    explicit Design(const QString& name)
        : bitmap(QImage::fromData(Resource(name + ".gif")).convertToFormat(QImage::Format_RGB32)) {
        background = bitmap.pixel(0, 0);
        ink = *std::find_if(Pixels(bitmap), Pixels(bitmap) + bitmap.width() * bitmap.height(),
                            [&](QRgb p) { return p != background; });
    }
    static const QRgb* Pixels(const QImage& image) {
        return reinterpret_cast<const QRgb*>(image.constBits());
    }
    int InkPixels(const QImage& image) const {
        return static_cast<int>(
            std::count(Pixels(image), Pixels(image) + image.width() * image.height(), ink));
    }
    // How far a pixel lies from the background towards the ink, 0 to 1.
    double Coverage(QRgb p) const {
        const int d[3] = {qRed(ink) - qRed(background), qGreen(ink) - qGreen(background),
                          qBlue(ink) - qBlue(background)};
        const int v[3] = {qRed(p) - qRed(background), qGreen(p) - qGreen(background),
                          qBlue(p) - qBlue(background)};
        const double along = d[0] * v[0] + d[1] * v[1] + d[2] * v[2];
        return std::clamp(along / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 0.0, 1.0);
    }
};

QImage Painted(const PictureRenderer& renderer, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_TRUE(renderer.Paint(painter, name, QRect({0, 0}, size))) << name.toStdString();
    return image;
}

TEST(PictureRendererTest, EveryDesignPictureDrawnAtAnySizeHasTheShapeAndColoursOfItsBitmap) {
    const PictureRenderer renderer(Resource("outlines.txt").toStdString());
    const QStringList files = QDir(QStringLiteral(":/pictures")).entryList({"*.gif"});
    ASSERT_EQ(files.size(), 76);
    // The design size, a larger one, and stretches across and down.
    const QSize factors[] = {{1, 1}, {3, 3}, {2, 1}, {1, 3}};
    for (const QString& file : files) {
        const Design design(file.chopped(4));
        SCOPED_TRACE(file.toStdString());
        for (const QSize f : factors) {
            const QSize device(design.bitmap.width() * f.width(),
                               design.bitmap.height() * f.height());
            const QImage drawn = Painted(renderer, file.chopped(4), device);
            EXPECT_EQ(drawn.pixel(0, 0), design.background);
            EXPECT_GT(design.InkPixels(drawn), 0) << "solid ink somewhere";
            // Averaged over the cell of each bitmap pixel and cut at half, as the bitmap was.
            int differ = 0;
            for (int y = 0; y < design.bitmap.height(); ++y) {
                for (int x = 0; x < design.bitmap.width(); ++x) {
                    double sum = 0;
                    for (int i = 0; i < f.width() * f.height(); ++i) {
                        sum += design.Coverage(drawn.pixel(x * f.width() + i % f.width(),
                                                           y * f.height() + i / f.width()));
                    }
                    const bool ink = sum / (f.width() * f.height()) >= 0.5;
                    differ += ink != (design.bitmap.pixel(x, y) == design.ink);
                }
            }
            // Only pixels cut almost exactly at half coverage may come out either way.
            EXPECT_LE(differ, std::max(4, design.InkPixels(design.bitmap) / 50))
                << f.width() << "x" << f.height();
        }
    }
}

// Walks every row and column for steps between background and ink and returns the ramps of
// in-between pixels. Drawn from an outline, an edge ramps over a pixel or two at any size; a
// stretched bitmap ramps over the stretch, or steps without any ramp.
std::vector<int> Ramps(const QImage& image, const Design& design) {
    std::vector<int> ramps;
    const auto walk = [&](int length, auto at) {
        int last = -1; // 0 background, 2 ink
        int ramp = 0;
        for (int i = 0; i < length; ++i) {
            const double c = design.Coverage(at(i));
            const int kind = c < 0.1 ? 0 : c > 0.9 ? 2 : 1;
            if (kind == 1) {
                ++ramp;
                continue;
            }
            if (last >= 0 && kind != last) {
                ramps.push_back(ramp);
            }
            last = kind;
            ramp = 0;
        }
    };
    for (int y = 0; y < image.height(); ++y) {
        walk(image.width(), [&](int x) { return image.pixel(x, y); });
    }
    for (int x = 0; x < image.width(); ++x) {
        walk(image.height(), [&](int y) { return image.pixel(x, y); });
    }
    return ramps;
}

TEST(PictureRendererTest, PicturesStretchedEightTimesInAWindowHaveSharpSmoothEdges) {
    for (const char* name : {"ImgR_7", "GlyphYaku", "Banner"}) {
        const Design design(name);
        ControlDesign control;
        control.width = design.bitmap.width() * 15;
        control.height = design.bitmap.height() * 15;
        const WindowDesign window{"Probe", control.width, control.height, {}, {control}};
        WindowSnapshot snapshot{1, &window, {ControlState{}}};
        snapshot.controls[0].picture.resource = name;
        std::vector<int> ramps = Ramps(test::Grab(snapshot, design.bitmap.size() * 8), design);
        ASSERT_GT(ramps.size(), 100u) << name;
        std::nth_element(ramps.begin(), ramps.begin() + ramps.size() / 2, ramps.end());
        const auto soft = std::count_if(ramps.begin(), ramps.end(), [](int r) { return r > 0; });
        EXPECT_LE(ramps[ramps.size() / 2], 2) << name << ": typical ramp in pixels";
        EXPECT_GE(soft * 2, std::ssize(ramps)) << name << ": half the edges anti-aliased";
    }
}

TEST(PictureRendererTest, PaintsOnlyInsideItsRectangleAndNothingForAnUnknownPicture) {
    // A square whose widened edge reaches past the picture's own bounds.
    const PictureRenderer renderer("shape s 3\nM 0 0\nL 10 0\nL 10 10\nZ\n"
                                   "picture P 10 10 FFFFFF 000000 s");
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    EXPECT_TRUE(renderer.Paint(painter, "P", {10, 10, 20, 20}));
    EXPECT_FALSE(renderer.Paint(painter, "Q", {0, 0, 40, 40}));
    painter.end();
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 10 && y < 30;
            ASSERT_EQ(image.pixel(x, y) == qRgb(255, 0, 0), !inside) << x << "," << y;
        }
    }
}

} // namespace
} // namespace zarava
