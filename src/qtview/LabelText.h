#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

namespace zarava {

// Where the lines of a label's caption go: the font they are drawn in and each line's
// baseline. The caller draws them and clips to the label.
struct LabelLayout {
    QFont font;
    struct Line {
        QString text;
        QPointF baseline; // left end of the baseline
    };
    std::vector<Line> lines;
};

enum class LineAlign { Left, Centre };

// A band or heading of one line: its ink centred down the label, so Japanese text sits in the
// middle of its band rather than under the top edge; across, centred or from the left. Text
// wider than the label shrinks until it fits.
LabelLayout LayOutBand(const QString& text, QFont font, const QRectF& rect, LineAlign align);

// A caption of several lines in a label of fixed size: each line at the font's own size, one
// under the other from the top, never shrunk; what does not fit is clipped, as a fixed-size
// label does.
LabelLayout LayOutFixedLines(const QString& text, const QFont& font, const QRectF& rect,
                             LineAlign align);

// A notice in a panel: wrapped at character boundaries with the Japanese line-breaking rules,
// the lines as a paragraph, the block centred in the panel; shrunk only when it cannot fit at the
// font's size, and then only as far as needed. No glyph reaches the edge. The layout's font is
// unhinted.
LabelLayout LayOutNotice(const QString& text, QFont font, const QRectF& rect);

// The lines of `text` that fit `width`, broken between characters: a line never starts with
// closing punctuation, a small kana or a prolonged sound mark (。、」 ー っ ...), never ends
// with an opening bracket (「 ...), and a run of Latin letters and digits stays together when
// it fits on a line. A line feed always breaks.
QStringList BreakJapaneseLines(const QString& text, const QFontMetricsF& metrics, qreal width);

} // namespace zarava
