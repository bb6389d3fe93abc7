#include "qtview/WindowView.h"

#include "qtview/Colours.h"
#include "qtview/Fonts.h"
#include "qtview/LabelText.h"
#include "qtview/PictureRenderer.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

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

// Draws the lines as their outlines, thickened by a stroke as FreeType would embolden the
// glyphs, so a bold caption stays bold however large the window grows.
void DrawThickenedOutlines(QPainter& painter, const LabelLayout& layout) {
    QPainterPath path;
    for (const LabelLayout::Line& line : layout.lines) {
        path.addText(line.baseline, layout.font, line.text);
    }
    const QColor colour = painter.pen().color();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(
        QPen(colour, layout.font.pixelSize() / 24.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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
    // One rectangle around everything that changed, however scattered: Qt paints through a
    // clip of several rectangles with its pool of helper threads, waking them at every blink.
    QRect dirty;
    if (!whole) {
        for (const ControlChange& c : changes.controls) {
            dirty |= Area(static_cast<std::size_t>(c.control));
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
        dirty |= Area(static_cast<std::size_t>(c.control));
    }
    if (!dirty.isEmpty()) {
        // Grown from what is still to be painted, so the pending region stays one rectangle.
        unpainted_ |= dirty;
        update(unpainted_);
    }
}

// Forgets the file pictures the window no longer shows.
void WindowView::ForgetUnusedFileImages() {
    std::erase_if(files_, [this](const FilePicture& f) {
        return std::none_of(snapshot_.controls.begin(), snapshot_.controls.end(),
                            [&](const ControlState& c) { return c.picture.fileBytes == f.bytes; });
    });
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
    bitmaps_.clear();
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
    unpainted_ = {};
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
    const double sx = width() / (snapshot_.design->width / kTwipsPerPixel);
    const double sy = height() / (snapshot_.design->height / kTwipsPerPixel);
    // A plain label's font follows the label by the smaller of the two ratios, so what fits at
    // the design size fits at every size; text labels follow the height and shrink themselves.
    const bool plain = design.kind == ControlKind::PlainLabel;
    QFont font = DesignFont(design.font.name, design.font.pointSize, design.font.bold);
    const int pixels = FontPixels(design.font.pointSize, plain ? std::min(sx, sy) : sy);
    font.setPixelSize(pixels);

    const QString text = QString::fromStdString(state.caption);
    const LineAlign align = design.align == TextAlign::Left ? LineAlign::Left : LineAlign::Centre;
    // A plain label is a fixed-size label: its lines keep their size and are clipped. A text
    // label tall enough for two lines is a notice panel and wraps; a lower one is a band.
    const LabelLayout layout = plain ? LayOutFixedLines(text, font, rect, align)
                               : rect.height() >= 2 * pixels ? LayOutNotice(text, font, rect)
                                                             : LayOutBand(text, font, rect, align);
    painter.save();
    painter.setClipRect(rect);
    painter.setPen(ToQColor(state.fore));
    if (layout.font.pixelSize() * devicePixelRatioF() >= kLargestCachedGlyph &&
        SyntheticBold(layout.font)) {
        DrawThickenedOutlines(painter, layout);
    } else {
        painter.setFont(layout.font);
        for (const LabelLayout::Line& line : layout.lines) {
            painter.drawText(line.baseline, line.text);
        }
    }
    painter.restore();
}

// Pictures are stretched to the control exactly, whatever their own proportions.
void WindowView::DrawImage(QPainter& painter, const QRect& rect, const Picture& picture) {
    if (picture.Empty()) {
        return;
    }
    if (!picture.fileBytes &&
        PictureRenderer::Shared().Paint(painter, QString::fromStdString(picture.resource), rect)) {
        return;
    }
    const qreal dpr = devicePixelRatioF();
    const QSize device(std::max(1, qRound(rect.width() * dpr)),
                       std::max(1, qRound(rect.height() * dpr)));
    QPixmap pixmap = picture.fileBytes
                         ? FilePixmap(picture.fileBytes, device)
                         : DesignPixmap(QString::fromStdString(picture.resource), device);
    if (!pixmap.isNull()) {
        pixmap.setDevicePixelRatio(dpr);
        painter.drawPixmap(rect, pixmap);
    }
}

// Design pictures are drawn from their outlines (above); one without an outline is its bitmap
// stretched.
QPixmap WindowView::DesignPixmap(const QString& name, QSize device) {
    const QString key =
        QStringLiteral("%1@%2x%3").arg(name).arg(device.width()).arg(device.height());
    auto it = bitmaps_.find(key);
    if (it == bitmaps_.end()) {
        const QImage bitmap(QStringLiteral(":/pictures/%1.gif").arg(name));
        it = bitmaps_.insert(
            key, bitmap.isNull() ? QPixmap()
                                 : QPixmap::fromImage(bitmap.scaled(device, Qt::IgnoreAspectRatio,
                                                                    Qt::SmoothTransformation)));
    }
    return *it;
}

// A picture from the program folder is decoded straight to the size it shows at, and only that
// is kept: a photo may have many times the pixels of its cell.
QPixmap WindowView::FilePixmap(const std::shared_ptr<const std::string>& bytes, QSize device) {
    auto it = std::find_if(files_.begin(), files_.end(),
                           [&](const FilePicture& f) { return f.bytes == bytes; });
    if (it == files_.end()) {
        it = files_.insert(files_.end(), {bytes, {}, {}});
    }
    if (it->decodedAt != device) {
        QByteArray data =
            QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setScaledSize(device);
        const QImage image = reader.read();
        it->pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
        it->decodedAt = device;
    }
    return it->pixmap;
}

} // namespace zarava
