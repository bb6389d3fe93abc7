#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QPainterPath>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <vector>

namespace zarava {

// Draws the design pictures from the outlines they were made from, anti-aliased at exactly the
// size a control needs, so digits, glyphs and the banner stay sharp however far a window is
// stretched. Each drawing is kept per picture and size, so repaints copy a pixmap; the kept
// drawings are bounded in bytes and the least recently used go first. GUI thread only.
class PictureRenderer {
public:
    // `outlines` is the text of an outline file as zarava-picgen writes it. A picture the text
    // describes wrongly, or whose shape it describes wrongly, is left out.
    PictureRenderer(const QByteArray& outlines, qint64 cacheBytes);

    // The renderer all views share, holding the outlines embedded in the program. It keeps
    // drawings of an eighth of the primary screen's pixels, at least 512 KB: the pictures the
    // windows show at once and a few more (six full rooms at 1920 x 1080 show 0.9 MB of them,
    // the budget there is 1 MB), so a day of changing numbers does not gather every digit of
    // every colour at every size.
    static PictureRenderer& Shared();

    bool Has(const QString& name) const { return pictures_.contains(name); }

    // The picture drawn to fill exactly `device` pixels, stretched across and down on their own
    // as the design stretches pictures, and marked with `devicePixelRatio`. Null when the picture
    // has no outline or the size is empty.
    QPixmap Pixmap(const QString& name, QSize device, qreal devicePixelRatio = 1.0);

    // Bytes of pixel data kept for later calls.
    qint64 CachedBytes() const { return cachedBytes_; }
    void Clear();

private:
    struct Shape {
        QPainterPath path;
        qreal widen = 0;
        bool valid = true;
    };
    struct Outline {
        QSize size;
        QColor background;
        QColor ink;
        int shape = 0;
    };
    struct Drawn {
        QPixmap pixmap;
        quint64 lastUse = 0;
    };

    void Parse(const QByteArray& text);
    QPixmap Draw(const Outline& outline, QSize device) const;
    void Trim();

    std::vector<Shape> shapes_;
    QHash<QString, Outline> pictures_;
    QHash<QString, Drawn> drawn_; // by picture, size and pixel ratio
    qint64 budget_;
    qint64 cachedBytes_ = 0;
    quint64 uses_ = 0;
};

} // namespace zarava
