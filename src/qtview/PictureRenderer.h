#pragma once

#include <QColor>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QSize>
#include <QString>

#include <string_view>
#include <vector>

namespace zarava {

// Draws the design pictures from the outlines they were made from, anti-aliased at exactly the
// size a control needs, so digits, glyphs and the banner stay sharp however far a window is
// stretched. Nothing but the outlines is kept: a digit fills in 15 to 150 microseconds, and
// drawings kept per picture, colour and size came and went all day as the numbers changed,
// leaving the heap in pieces that grew it for hours. GUI thread only.
class PictureRenderer {
public:
    // `outlines` is the text of an outline file as zarava-picgen writes it. A picture the text
    // describes wrongly, or whose shape it describes wrongly, is left out.
    explicit PictureRenderer(std::string_view outlines);

    // The renderer all views share, holding the outlines embedded in the program.
    static const PictureRenderer& Shared();

    // Paints the picture to fill `rect` exactly, stretched across and down on their own as the
    // design stretches pictures. False, with nothing painted, when the picture has no outline.
    bool Paint(QPainter& painter, const QString& name, const QRect& rect) const;

private:
    struct Shape {
        QPainterPath path;
        qreal widen = 0;
    };
    struct Outline {
        QSize size;
        QColor background;
        QColor ink;
        std::size_t shape = 0;
    };

    std::vector<Shape> shapes_;
    QHash<QString, Outline> pictures_;
};

} // namespace zarava
