#include "platform/qt/TickerBand.h"

#include "platform/qt/Colours.h"
#include "platform/qt/Fonts.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QResizeEvent>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace zarava {

namespace {

constexpr QRgb kTextColour = qRgb(0xFF, 0x00, 0x90);
const char kDefaultCaption[] = "※診察内容によってお呼びする順番が前後する事があります";
const char kFontName[] = "ＭＳ Ｐ明朝";
constexpr double kDesignPointSize = 27.75;

// The design puts 27.75-point text (37 pixels at 96 dpi) in a 41-pixel label inside a 44-pixel
// band on a 768-pixel screen; the text keeps that proportion to the band at any size.
constexpr int kDesignLabelHeight = 41;
constexpr int kDesignBandHeight = 44;
constexpr int kDesignScreenHeight = 768;
constexpr double kTextToBandHeight = kDesignPointSize * 96.0 / 72.0 / kDesignLabelHeight;

// One frame at the usual 60 Hz refresh.
constexpr int kFrameMilliseconds = 16;

// The largest strip of text drawn: at most 32000 device pixels wide (a limit of some paint
// devices) and 16 M pixels in all. A caption beyond it ends in an ellipsis; it would take
// minutes to pass, and the strip's memory grows with its width.
constexpr double kMaxTextDeviceWidth = 32000;
constexpr double kMaxTextDeviceArea = 16 * 1024 * 1024;

} // namespace

TickerBand::TickerBand(QWidget* parent)
    : QWidget(parent), caption_(QString::fromUtf8(kDefaultCaption)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(kFrameMilliseconds);
    connect(&frameTimer_, &QTimer::timeout, this, &TickerBand::advance);
}

void TickerBand::setCaption(const QString& caption) {
    caption_ = caption;
    textPixmap_ = QPixmap();
    update();
}

void TickerBand::startAction() {
    started_ = true;
    passClock_.start();
    frameTimer_.start();
    update();
}

int TickerBand::PreferredHeight(int frameHeight) {
    const long long scaled = 1LL * kDesignBandHeight * frameHeight / kDesignScreenHeight;
    return std::max(kDesignBandHeight, static_cast<int>(scaled));
}

// A band squeezed below its design height still moves at the design pace, so a pass always ends.
double TickerBand::pixelsPerSecond() const {
    return kBandHeightsPerSecond * std::max(height(), kDesignLabelHeight);
}

// The position comes from the time since the pass started, never from a count of frames, so a
// late frame does not slow the text down.
void TickerBand::advance() {
    const double travelled = passClock_.elapsed() * pixelsPerSecond() / 1000.0;
    if (travelled >= width() + textPixmap().deviceIndependentSize().width()) {
        if (repeat_) {
            passClock_.start();
        } else {
            frameTimer_.stop();
            update();
            emit notification(kPassEnded);
            return;
        }
    }
    update();
}

void TickerBand::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(kWindowBackground));
    if (started_ && !isRunning()) {
        return; // the last pass has ended: the text has left the band
    }
    double x = 0; // before the first pass the text stands still at the left
    if (isRunning()) {
        const double dpr = devicePixelRatioF();
        x = width() - passClock_.elapsed() * pixelsPerSecond() / 1000.0;
        x = std::round(x * dpr) / dpr; // whole device pixels: a plain copy, no resampling
    }
    painter.drawPixmap(QPointF(x, 0), textPixmap());
}

void TickerBand::resizeEvent(QResizeEvent* event) {
    if (event->size().height() != event->oldSize().height()) {
        textPixmap_ = QPixmap();
    }
    QWidget::resizeEvent(event);
}

void TickerBand::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit notification(kDoubleClicked);
}

// The caption drawn once on the band's background at the band's height and the screen's pixel
// density; each frame then only copies it.
const QPixmap& TickerBand::textPixmap() {
    const double dpr = devicePixelRatioF();
    if (!textPixmap_.isNull() && textPixmap_.devicePixelRatio() == dpr) {
        return textPixmap_;
    }
    const int bandHeight = std::max(1, height());
    QFont font = DesignFont(kFontName, kDesignPointSize, true);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(bandHeight * kTextToBandHeight))));
    // The faces have no bold cut, and Qt's synthetic bold is lost on glyphs of 64 device pixels
    // and more. So the regular outlines are drawn with a stroke of 1/24 em, the width FreeType's
    // synthetic bold adds, for text equally bold at every band height.
    font.setBold(false);
    const double boldStroke = font.pixelSize() / 24.0;

    QString text = caption_;
    for (QChar& ch : text) {
        if (ch.category() == QChar::Other_Control) {
            ch = u' '; // one line: tabs and line breaks of a news line read as blanks
        }
    }
    const double maxWidth =
        std::min(kMaxTextDeviceWidth, kMaxTextDeviceArea / (bandHeight * dpr)) / dpr;
    text = QFontMetricsF(font).elidedText(text, Qt::ElideRight, maxWidth);
    QTextLayout layout(text, font);
    QTextOption oneLine;
    oneLine.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(oneLine);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(maxWidth);
    }
    layout.endLayout();

    const double textWidth = line.isValid() ? line.naturalTextWidth() : 0;
    const double top = line.isValid() ? (bandHeight - line.height()) / 2 : 0;
    textPixmap_ = QPixmap(static_cast<int>(std::ceil((textWidth + 2 * boldStroke) * dpr)) + 1,
                          static_cast<int>(std::ceil(bandHeight * dpr)));
    textPixmap_.setDevicePixelRatio(dpr);
    textPixmap_.fill(ToQColor(kWindowBackground));
    QPainter painter(&textPixmap_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(
        QPen(QColor(kTextColour), boldStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(kTextColour));
    // Glyph by glyph: the cost of filling one path grows faster than its size.
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont face = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            painter.drawPath(
                face.pathForGlyph(glyphs[i]).translated(positions[i] + QPointF(boldStroke, top)));
        }
    }
    return textPixmap_;
}

} // namespace zarava
