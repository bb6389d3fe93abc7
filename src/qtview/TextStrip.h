#pragma once

#include <QFont>
#include <QImage>
#include <QRawFont>
#include <QString>

#include <optional>
#include <vector>

namespace zarava {

// How the band's text looks at one band height and pixel density.
struct StripStyle {
    int bandHeight = 44; // device pixels
    qreal devicePixelRatio = 1;

    friend bool operator==(const StripStyle&, const StripStyle&) = default;
};

// One caption laid out as a single line and drawn in tiles of a bounded width, so that a
// caption of any length costs the same per tile: the text is shaped a few dozen characters at a
// time as the tiles reach it, and what lies behind is forgotten. Not tied to a thread: the band
// uses it on a worker thread of its own, and only the first tile touches the fonts. All
// positions are in device pixels.
class TextStrip {
public:
    static constexpr int kTileWidth = 512;

    TextStrip(const QString& caption, StripStyle style);

    // The picture of the strip from x = index * kTileWidth, band-high and opaque, with the
    // style's pixel ratio; tiles wholly beyond the end of the text show only the background.
    QImage RenderTile(int index);

    // The width of the text, ink included, once the shaping has reached its end.
    std::optional<int> Width() const { return width_; }

    // Forgets the shaped text that lies wholly left of x.
    void ForgetBefore(int x);

private:
    struct Glyph {
        int face; // into faces_
        quint32 index;
        QPointF position; // pen position, relative to the baseline at the left end of the text
    };
    // A few characters shaped together, and the range their ink may cover.
    struct Chunk {
        double left;
        double right;
        std::vector<Glyph> glyphs;
    };

    void Prepare();
    void ShapeUntil(double x);
    void ShapeNextChunk();
    int FaceOf(const QRawFont& face);

    QString text_;
    StripStyle style_;
    bool prepared_ = false;
    QFont font_;
    double stroke_ = 1;    // the width of the synthetic bold's outline
    double inkMargin_ = 0; // how far a glyph's ink may reach beyond its advance
    double baseline_ = 0;
    qsizetype shapedChars_ = 0;
    double shapedWidth_ = 0; // the advance of everything shaped so far
    std::optional<int> width_;
    std::vector<Chunk> chunks_; // left to right; those behind the band are dropped
    std::vector<QRawFont> faces_;
};

} // namespace zarava
