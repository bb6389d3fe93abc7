#include "qtview/TwoColourImage.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zarava {

namespace {

int Channel(QRgb c, int i) {
    return static_cast<int>((c >> (8 * i)) & 0xFF);
}

} // namespace

QImage TwoColourImage(const QImage& painted, QRgb background, QRgb ink) {
    const QImage source = painted.convertToFormat(QImage::Format_RGB32);
    // The mix is read in the channel where the two colours differ most.
    int widest = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::abs(Channel(ink, i) - Channel(background, i)) >
            std::abs(Channel(ink, widest) - Channel(background, widest))) {
            widest = i;
        }
    }
    QList<QRgb> palette(256);
    for (int step = 0; step < 256; ++step) {
        const auto mix = [&](int i) {
            return static_cast<int>(
                std::lround(Channel(background, i) +
                            (Channel(ink, i) - Channel(background, i)) * step / 255.0));
        };
        palette[step] = qRgb(mix(2), mix(1), mix(0));
    }
    QImage image(source.size(), QImage::Format_Indexed8);
    image.setColorTable(palette);
    const int from = Channel(background, widest);
    const int span = Channel(ink, widest) - from;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = image.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const long step =
                span == 0 ? 0 : std::lround((Channel(in[x], widest) - from) * 255.0 / span);
            out[x] = static_cast<uchar>(std::clamp(step, 0L, 255L));
        }
    }
    return image;
}

} // namespace zarava
