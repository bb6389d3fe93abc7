#include "qtview/TextStrip.h"

#include "qtview/Colours.h"
#include "qtview/Fonts.h"
#include "qtview/TwoColourImage.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace zarava {

namespace {

constexpr QRgb kTextColour = qRgb(0xFF, 0x00, 0x90);
const char kFontName[] = "ＭＳ Ｐ明朝";
constexpr double kDesignPointSize = 27.75;

// The design puts 27.75-point text (37 pixels at 96 dpi) in a 41-pixel label; the text keeps
// that proportion to the band at any size.
constexpr double kTextToBandHeight = kDesignPointSize * 96.0 / 72.0 / 41.0;

// Characters shaped at a time: enough for the shaper's context inside a word, few enough that a
// tile never waits for much more text than it shows.
constexpr qsizetype kChunkChars = 64;

// One line: line breaks, tabs and other controls of a news line read as blanks.
QString OneLine(QString text) {
    for (QChar& ch : text) {
        const QChar::Category category = ch.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            ch = u' ';
        }
    }
    return text;
}

// Whether a chunk may not end before text[i]: a surrogate pair, a combining mark, a variation
// selector or a joiner belongs with the character before it.
bool ContinuesCharacter(const QString& text, qsizetype i) {
    const QChar ch = text[i];
    const char16_t prev = text[i - 1].unicode();
    return ch.isLowSurrogate() || ch.isMark() || ch.unicode() == 0x200D || prev == 0x200D ||
           (ch.unicode() >= 0xFE00 && ch.unicode() <= 0xFE0F);
}

} // namespace

// The strip's own copy of the text, not one sharing the caller's: the worker changes it, and
// Qt's shared text would count its owners across two threads.
TextStrip::TextStrip(const QString& caption, StripStyle style)
    : text_(caption.constData(), caption.size()), style_(style) {
    style_.bandHeight = std::max(1, style_.bandHeight);
    if (text_.isEmpty()) {
        width_ = 0;
    }
}

// Everything that touches fonts happens here, on the thread that draws the tiles: a strip is
// made on the GUI thread and then used only by the worker.
void TextStrip::Prepare() {
    prepared_ = true;
    text_ = OneLine(std::move(text_));
    font_ = DesignFont(kFontName, kDesignPointSize, false);
    font_.setPixelSize(
        std::max(1, static_cast<int>(std::lround(style_.bandHeight * kTextToBandHeight))));
    // The faces have no bold cut, and Qt's synthetic bold is lost on glyphs of 64 device pixels
    // and more. So the regular outlines are drawn with a stroke of 1/24 em, the width that
    // FreeType's synthetic bold adds, for text equally bold at every band height.
    stroke_ = font_.pixelSize() / 24.0;
    inkMargin_ = font_.pixelSize() / 2.0 + stroke_;
    // The ink of full-size Japanese characters, not the font's ascent and descent, is centred:
    // the faces keep room above the characters that would otherwise push them down.
    const QRectF ink = QFontMetricsF(font_).tightBoundingRect(QStringLiteral("国漢あ"));
    baseline_ = std::round(style_.bandHeight / 2.0 - (ink.top() + ink.bottom()) / 2.0);
    shapedWidth_ = stroke_; // room for the outline of the first character
}

void TextStrip::ShapeUntil(double x) {
    while (!width_ && shapedWidth_ - inkMargin_ < x) {
        ShapeNextChunk();
    }
}

void TextStrip::ShapeNextChunk() {
    const qsizetype start = shapedChars_;
    qsizetype end = std::min(text_.size(), start + kChunkChars);
    while (end < text_.size() && end > start + 1 && ContinuesCharacter(text_, end)) {
        --end;
    }
    QTextLayout layout(text_.mid(start, end - start), font_);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    // Every piece left to right from its own start, whatever its script.
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(1e5);
    }
    layout.endLayout();

    Chunk chunk{shapedWidth_ - inkMargin_, shapedWidth_, {}};
    if (line.isValid()) {
        const double baseline = line.y() + line.ascent();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const int face = FaceOf(run.rawFont());
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
                chunk.glyphs.push_back(
                    {face,
                     glyphs[i],
                     {shapedWidth_ + positions[i].x(), positions[i].y() - baseline}});
            }
        }
        shapedWidth_ += line.horizontalAdvance();
    }
    chunk.right = shapedWidth_ + inkMargin_;
    chunks_.push_back(std::move(chunk));
    shapedChars_ = end;
    if (shapedChars_ >= text_.size()) {
        width_ = static_cast<int>(std::ceil(shapedWidth_ + stroke_)) + 1;
    }
}

int TextStrip::FaceOf(const QRawFont& face) {
    for (std::size_t i = 0; i < faces_.size(); ++i) {
        if (faces_[i] == face) {
            return static_cast<int>(i);
        }
    }
    faces_.push_back(face);
    return static_cast<int>(faces_.size()) - 1;
}

QImage TextStrip::RenderTile(int index) {
    if (!prepared_) {
        Prepare();
    }
    const double left = static_cast<double>(index) * kTileWidth;
    const double right = left + kTileWidth;
    ShapeUntil(right);

    QImage image(kTileWidth, style_.bandHeight, QImage::Format_RGB32);
    image.fill(ToQColor(kWindowBackground));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(kTextColour), stroke_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(kTextColour));
    painter.translate(-left, baseline_);
    // Glyph by glyph: the cost of filling one path grows faster than its size.
    for (const Chunk& chunk : chunks_) {
        if (chunk.right < left || chunk.left >= right) {
            continue;
        }
        for (const Glyph& glyph : chunk.glyphs) {
            // The outline is fetched afresh: a tile holds a few dozen characters, and outlines
            // kept for a long news line would cost more memory than fetching them costs time.
            painter.translate(glyph.position);
            painter.drawPath(
                faces_[static_cast<std::size_t>(glyph.face)].pathForGlyph(glyph.index));
            painter.translate(-glyph.position);
        }
    }
    painter.end();
    // The text is one colour on one background: a quarter of the memory of a full-colour tile.
    QImage tile = TwoColourImage(image, ToQColor(kWindowBackground).rgb(), kTextColour);
    tile.setDevicePixelRatio(style_.devicePixelRatio);
    return tile;
}

void TextStrip::ForgetBefore(int x) {
    const auto behind = std::find_if(chunks_.begin(), chunks_.end(),
                                     [x](const Chunk& chunk) { return chunk.right >= x; });
    chunks_.erase(chunks_.begin(), behind);
}

} // namespace zarava
