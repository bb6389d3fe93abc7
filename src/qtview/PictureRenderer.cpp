#include "qtview/PictureRenderer.h"

#include <QFile>
#include <QList>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace zarava {

namespace {

bool ToNumber(const QByteArray& token, qreal& value) {
    bool ok = false;
    value = token.toDouble(&ok);
    return ok && std::isfinite(value);
}

// The `count` points that follow a contour command, and nothing more on the line.
bool ToPoints(const QList<QByteArray>& tokens, int count, QPointF* points) {
    if (tokens.size() != 1 + 2 * count) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        qreal x = 0;
        qreal y = 0;
        if (!ToNumber(tokens[1 + 2 * i], x) || !ToNumber(tokens[2 + 2 * i], y)) {
            return false;
        }
        points[i] = {x, y};
    }
    return true;
}

bool ToColour(const QByteArray& token, QColor& colour) {
    if (token.size() != 6 || !std::all_of(token.begin(), token.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return false;
    }
    colour = QColor(QRgb(token.toUInt(nullptr, 16)));
    return true;
}

bool ToSide(const QByteArray& token, int& side) {
    bool ok = false;
    side = token.toInt(&ok);
    return ok && side > 0 && side <= 0xFFFF;
}

QByteArray EmbeddedOutlines() {
    QFile file(QStringLiteral(":/pictures/outlines.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

PictureRenderer::PictureRenderer(const QByteArray& outlines) {
    Parse(outlines);
}

const PictureRenderer& PictureRenderer::Shared() {
    static const PictureRenderer shared(EmbeddedOutlines());
    return shared;
}

// Shapes come first, each followed by its contours; then the pictures, which name a shape given
// before them. A line that cannot be read spoils the shape it belongs to, and so the pictures
// showing it, which then keep their bitmaps.
void PictureRenderer::Parse(const QByteArray& text) {
    QHash<QByteArray, int> shapeByName;
    int current = -1; // the shape that takes contours, -1 for none
    bool started = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.simplified();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QList<QByteArray> tokens = line.split(' ');
        const QByteArray& command = tokens[0];
        if (command == "shape") {
            Shape shape;
            shape.path.setFillRule(Qt::WindingFill);
            shape.valid = tokens.size() == 3 && ToNumber(tokens[2], shape.widen) &&
                          shape.widen >= 0 && !shapeByName.contains(tokens[1]);
            current = static_cast<int>(shapes_.size());
            if (shape.valid) {
                shapeByName.insert(tokens[1], current);
            }
            shapes_.push_back(std::move(shape));
            started = false;
        } else if (command == "picture") {
            current = -1;
            Outline outline;
            int width = 0;
            int height = 0;
            const auto shape =
                tokens.size() == 7 ? shapeByName.constFind(tokens[6]) : shapeByName.constEnd();
            if (shape == shapeByName.constEnd() || !ToSide(tokens[2], width) ||
                !ToSide(tokens[3], height) || !ToColour(tokens[4], outline.background) ||
                !ToColour(tokens[5], outline.ink)) {
                continue;
            }
            outline.size = QSize(width, height);
            outline.shape = *shape;
            pictures_.insert(QString::fromUtf8(tokens[1]), outline);
        } else if (current >= 0) {
            Shape& shape = shapes_[static_cast<std::size_t>(current)];
            QPointF p[3];
            if (command == "M" && ToPoints(tokens, 1, p)) {
                shape.path.moveTo(p[0]);
                started = true;
            } else if (command == "L" && started && ToPoints(tokens, 1, p)) {
                shape.path.lineTo(p[0]);
            } else if (command == "C" && started && ToPoints(tokens, 3, p)) {
                shape.path.cubicTo(p[0], p[1], p[2]);
            } else if (command == "Z" && started && tokens.size() == 1) {
                shape.path.closeSubpath();
            } else {
                shape.valid = false;
            }
        }
    }
    // A spoilt or empty shape would show a blank picture; its pictures keep their bitmaps.
    pictures_.removeIf([this](const auto& picture) {
        const Shape& shape = shapes_[static_cast<std::size_t>(picture.value().shape)];
        return !shape.valid || shape.path.isEmpty();
    });
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
