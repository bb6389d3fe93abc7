#include "platform/qt/WindowView.h"

#include "platform/qt/Colours.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/PictureRenderer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

// The design pictures are compiled into a static library, where nothing else would pull them
// into the program.
static void InitPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace zarava {

namespace {

constexpr double kTwipsPerPixel = 15.0;

// Font size in pixels for a design point size: 96 dots per inch at design size, then scaled
// with the window's height so titles and headings keep filling their bands.
int FontPixels(double pointSize, double scaleY) {
    return std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0 * scaleY)));
}

// Qt draws glyphs from this many device pixels up as outlines, and outlines lose the bold
// that FreeType adds to faces without a bold style of their own (the IPA faces have none).
constexpr int kLargestCachedGlyph = 64;

bool SyntheticBold(const QFont& font) {
    const QRawFont face = QRawFont::fromFont(font);
    return font.bold() &&
           QFontDatabase::weight(face.familyName(), face.styleName()) < QFont::DemiBold;
}

// Draws text as its outlines, thickened by a stroke as FreeType would embolden the glyphs, so a
// bold caption stays bold however large the window grows.
void DrawThickenedOutlines(QPainter& painter, const QRect& rect, int flags, const QFont& font,
                           const QString& text) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode((flags & Qt::TextWordWrap) ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();

    QPainterPath path;
    const qreal top = rect.top() + (rect.height() - height) / 2;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const qreal indent =
            (flags & Qt::AlignHCenter) ? (rect.width() - line.naturalTextWidth()) / 2 : 0;
        path.addText(rect.left() + indent, top + line.y() + line.ascent(), font,
                     text.mid(line.textStart(), line.textLength()));
    }
    const QColor colour = painter.pen().color();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(
        QPen(colour, font.pixelSize() / 24.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(colour);
    painter.drawPath(path);
}

} // namespace

WindowView::WindowView(QWidget* parent) : QWidget(parent) {
    static const bool resourcesReady = (InitPictureResources(), true);
    Q_UNUSED(resourcesReady);
    // Every pixel is painted, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WindowView::setSnapshot(const WindowSnapshot& snapshot) {
    snapshot_ = snapshot;
    ForgetUnusedFileImages();
    update();
}

void WindowView::applyChanges(const WindowChanges& changes) {
    const bool whole = snapshot_.design != changes.design || snapshot_.design == nullptr;
    QRegion dirty;
    if (!whole) {
        for (const ControlChange& c : changes.controls) {
            dirty += Area(static_cast<std::size_t>(c.control));
        }
    }
    bool pictureChanged = false;
    for (const ControlChange& c : changes.controls) {
        const auto i = static_cast<std::size_t>(c.control);
        pictureChanged = pictureChanged || (i < snapshot_.controls.size() &&
                                            !(snapshot_.controls[i].picture == c.state.picture));
    }
    snapshot_.Apply(changes);
    if (pictureChanged) {
        ForgetUnusedFileImages();
    }
    if (whole) {
        update();
        return;
    }
    for (const ControlChange& c : changes.controls) {
        dirty += Area(static_cast<std::size_t>(c.control));
    }
    if (!dirty.isEmpty()) {
        update(dirty);
    }
}

// Forgets decoded file pictures the window no longer shows, and their scaled copies.
void WindowView::ForgetUnusedFileImages() {
    const auto used = [this](const FileImage& f) {
        return std::any_of(snapshot_.controls.begin(), snapshot_.controls.end(),
                           [&](const ControlState& c) { return c.picture.fileBytes == f.bytes; });
    };
    const auto unused = std::partition(fileImages_.begin(), fileImages_.end(), used);
    if (unused != fileImages_.end()) {
        fileImages_.erase(unused, fileImages_.end());
        scaled_.clear();
    }
}

QRect WindowView::Area(std::size_t index) const {
    if (snapshot_.design == nullptr || index >= snapshot_.controls.size() ||
        snapshot_.controls.size() != snapshot_.design->controls.size()) {
        return {};
    }
    const DesignBox box = Box(index);
    if (box.top >= snapshot_.design->height) {
        return {}; // auxiliary controls below the client area are never seen
    }
    return PixelRect(box);
}

void WindowView::mousePressEvent(QMouseEvent* event) {
    emit clicked();
    QWidget::mousePressEvent(event);
}

void WindowView::resizeEvent(QResizeEvent* event) {
    scaled_.clear();
    QWidget::resizeEvent(event);
}

bool WindowView::Shown(std::size_t index) const {
    const ControlDesign& design = snapshot_.design->controls[index];
    if (!snapshot_.controls[index].visible) {
        return false;
    }
    if (design.parent < 0) {
        return true;
    }
    const auto parent = static_cast<std::size_t>(design.parent);
    return parent < index && Shown(parent);
}

// The control's place in design units relative to the window, following the handlers' tops.
WindowView::DesignBox WindowView::Box(std::size_t index) const {
    const ControlDesign& design = snapshot_.design->controls[index];
    DesignBox box{design.left, snapshot_.controls[index].top, design.width, design.height};
    if (design.parent >= 0) {
        const DesignBox parent = Box(static_cast<std::size_t>(design.parent));
        box.left += parent.left;
        box.top += parent.top;
    }
    return box;
}

// Edges are rounded rather than sizes, so neighbouring controls meet without gaps.
QRect WindowView::PixelRect(const DesignBox& box) const {
    const double sx = width() / (snapshot_.design->width / kTwipsPerPixel);
    const double sy = height() / (snapshot_.design->height / kTwipsPerPixel);
    const auto x = [sx](int twips) { return static_cast<int>(std::lround(twips * sx / 15)); };
    const auto y = [sy](int twips) { return static_cast<int>(std::lround(twips * sy / 15)); };
    const int left = x(box.left);
    const int top = y(box.top);
    return QRect(left, top, x(box.left + box.width) - left, y(box.top + box.height) - top);
}

void WindowView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const WindowDesign* design = snapshot_.design;
    if (design == nullptr || design->width <= 0 || design->height <= 0 ||
        snapshot_.controls.size() != design->controls.size()) {
        painter.fillRect(rect(), ToQColor(kWindowBackground));
        return;
    }
    painter.fillRect(rect(), ToQColor(design->background));

    // Table order is stacking order: a frame covers the controls listed before it, and its
    // own controls follow it.
    for (std::size_t i = 0; i < design->controls.size(); ++i) {
        const ControlDesign& control = design->controls[i];
        const ControlState& state = snapshot_.controls[i];
        if (!Shown(i)) {
            continue;
        }
        const DesignBox box = Box(i);
        if (box.top >= design->height) {
            continue; // auxiliary controls below the client area
        }
        const QRect r = PixelRect(box);
        if (r.isEmpty() || !event->region().intersects(r)) {
            continue;
        }
        switch (control.kind) {
        case ControlKind::Image:
            DrawImage(painter, r, state.picture);
            break;
        case ControlKind::Frame:
            painter.fillRect(r, ToQColor(state.back));
            break;
        case ControlKind::TextLabel:
        case ControlKind::PlainLabel:
            DrawText(painter, r, control, state);
            break;
        }
    }
}

void WindowView::DrawText(QPainter& painter, const QRect& rect, const ControlDesign& design,
                          const ControlState& state) const {
    painter.fillRect(rect, ToQColor(state.back));
    if (state.caption.empty()) {
        return;
    }
    const double sy = height() / (snapshot_.design->height / kTwipsPerPixel);
    QFont font = DesignFont(design.font.name, design.font.pointSize, design.font.bold);
    int pixels = FontPixels(design.font.pointSize, sy);
    font.setPixelSize(pixels);

    int flags =
        Qt::AlignVCenter | (design.align == TextAlign::Left ? Qt::AlignLeft : Qt::AlignHCenter);
    const QString text = QString::fromStdString(state.caption);
    // A label tall enough for two lines is a text panel and wraps; a band keeps one line, and
    // in a cell much narrower than tall its text shrinks to fit rather than lose its ends.
    if (rect.height() >= 2 * pixels) {
        flags |= Qt::TextWordWrap;
    } else {
        const int advance = QFontMetrics(font).horizontalAdvance(text);
        if (advance > rect.width() && advance > 0) {
            pixels = std::max(1, pixels * rect.width() / advance);
            font.setPixelSize(pixels);
        }
    }
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(font);
    painter.setPen(ToQColor(state.fore));
    if (pixels * devicePixelRatioF() >= kLargestCachedGlyph && SyntheticBold(font)) {
        DrawThickenedOutlines(painter, rect, flags, font, text);
    } else {
        painter.drawText(rect, flags, text);
    }
    painter.restore();
}

void WindowView::DrawImage(QPainter& painter, const QRect& rect, const Picture& picture) {
    if (picture.Empty()) {
        return;
    }
    // Pictures are stretched to the control exactly, whatever their own proportions; the
    // scaled copy is kept so a repaint is a plain copy.
    const qreal dpr = devicePixelRatioF();
    const QSize device(std::max(1, qRound(rect.width() * dpr)),
                       std::max(1, qRound(rect.height() * dpr)));
    const QString source = picture.fileBytes
                               ? QStringLiteral("file:%1").arg(quintptr(picture.fileBytes.get()))
                               : QString::fromStdString(picture.resource);
    const QString key =
        QStringLiteral("%1@%2x%3").arg(source).arg(device.width()).arg(device.height());
    auto it = scaled_.find(key);
    if (it == scaled_.end()) {
        // Design pictures are drawn from their outlines, sharp at any size; the others, and
        // any without an outline, are their bitmaps stretched.
        QPixmap pixmap =
            picture.fileBytes ? QPixmap() : PictureRenderer::Shared().Pixmap(source, device, dpr);
        if (pixmap.isNull()) {
            const QImage& image = Decoded(picture);
            if (image.isNull()) {
                return;
            }
            pixmap = QPixmap::fromImage(
                image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        pixmap.setDevicePixelRatio(dpr);
        it = scaled_.insert(key, pixmap);
    }
    painter.drawPixmap(rect, *it);
}

const QImage& WindowView::Decoded(const Picture& picture) {
    if (picture.fileBytes) {
        for (const FileImage& f : fileImages_) {
            if (f.bytes == picture.fileBytes) {
                return f.image;
            }
        }
        const std::string& bytes = *picture.fileBytes;
        QImage image = QImage::fromData(
            QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
        fileImages_.push_back({picture.fileBytes, std::move(image)});
        return fileImages_.back().image;
    }
    const QString name = QString::fromStdString(picture.resource);
    auto it = resourceImages_.find(name);
    if (it == resourceImages_.end()) {
        it = resourceImages_.insert(name, QImage(QStringLiteral(":/pictures/%1.gif").arg(name)));
    }
    return *it;
}

} // namespace zarava
