#include "qtview/PictureRenderer.h"

#include "ports/PictureOutlines.h"
#include "qtview/Colours.h"

#include <QFile>
#include <QPainter>
#include <QPen>

namespace zarava {

namespace {

QByteArray EmbeddedOutlines() {
    QFile file(QStringLiteral(":/pictures/outlines.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

PictureRenderer::PictureRenderer(std::string_view text) {
    const PictureOutlines outlines = ParseOutlines(text);
    shapes_.reserve(outlines.shapes.size());
    for (const OutlineShape& outline : outlines.shapes) {
        Shape shape;
        shape.path.setFillRule(Qt::WindingFill);
        shape.widen = outline.widen;
        for (const OutlineStep& step : outline.steps) {
            const double* p = step.points;
            switch (step.kind) {
            case OutlineStep::Move:
                shape.path.moveTo(p[0], p[1]);
                break;
            case OutlineStep::Line:
                shape.path.lineTo(p[0], p[1]);
                break;
            case OutlineStep::Curve:
                shape.path.cubicTo(p[0], p[1], p[2], p[3], p[4], p[5]);
                break;
            case OutlineStep::Close:
                shape.path.closeSubpath();
                break;
            }
        }
        shapes_.push_back(std::move(shape));
    }
    for (const auto& [name, picture] : outlines.pictures) {
        pictures_.insert(QString::fromStdString(name),
                         {QSize(picture.width, picture.height), ToQColor(picture.background),
                          ToQColor(picture.ink), picture.shape});
    }
}

const PictureRenderer& PictureRenderer::Shared() {
    // The text is needed only while it is read: the renderer keeps the paths it made.
    static const PictureRenderer shared = [] {
        const QByteArray text = EmbeddedOutlines();
        return PictureRenderer(std::string_view(text.constData(), text.size()));
    }();
    return shared;
}

// The same operations, pen and all, that made the bitmap, at the device's resolution.
bool PictureRenderer::Paint(QPainter& painter, const QString& name, const QRect& rect) const {
    const auto picture = pictures_.constFind(name);
    if (picture == pictures_.constEnd()) {
        return false;
    }
    if (rect.isEmpty()) {
        return true;
    }
    const Outline& outline = *picture;
    const Shape& shape = shapes_[static_cast<std::size_t>(outline.shape)];
    painter.save();
    painter.fillRect(rect, outline.background);
    painter.setClipRect(rect, Qt::IntersectClip); // a widened edge stays inside its control
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.scale(qreal(rect.width()) / outline.size.width(),
                  qreal(rect.height()) / outline.size.height());
    if (shape.widen > 0) {
        QPen pen(outline.ink, 2 * shape.widen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        pen.setMiterLimit(2);
        painter.setPen(pen);
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(outline.ink);
    painter.drawPath(shape.path);
    painter.restore();
    return true;
}

} // namespace zarava
