#include "qtview/LabelText.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace zarava {

namespace {

const QString kNoLineStart = QStringLiteral(
    "、。，．,.・：；:;？！?!゛゜ヽヾゝゞ々〻ー－～」』）〕］｝〉》】〙〗〟’”)]}"
    "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ…‥％%");
const QString kNoLineEnd = QStringLiteral("「『（〔［｛〈《【〘〖〝‘“([{￥＄＃");

bool StartsWithAny(const QString& cluster, const QString& set) {
    return !cluster.isEmpty() && set.contains(cluster.at(0));
}

bool IsLatinWord(const QString& cluster) {
    const QChar c = cluster.isEmpty() ? QChar() : cluster.at(0);
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

QStringList Clusters(const QString& text) {
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        clusters.push_back(text.mid(start, end - start));
        start = end;
    }
    return clusters;
}

// Where to break before cluster `at` of a line that starts at `start`, moved back so that the
// rules hold; `at` itself when nothing earlier does.
qsizetype BreakBefore(const QStringList& c, qsizetype start, qsizetype at) {
    qsizetype b = at;
    while (b > start + 1 &&
           (StartsWithAny(c[b], kNoLineStart) || StartsWithAny(c[b - 1], kNoLineEnd))) {
        --b;
    }
    if (b == start + 1 &&
        (StartsWithAny(c[b], kNoLineStart) || StartsWithAny(c[b - 1], kNoLineEnd))) {
        b = at; // the rules cannot hold on so short a line
    }
    if (IsLatinWord(c[b]) && IsLatinWord(c[b - 1])) {
        qsizetype word = b;
        while (word > start && IsLatinWord(c[word - 1])) {
            --word;
        }
        if (word > start) {
            b = word;
        }
    }
    return b;
}

qreal Padding(int pixelSize) {
    return std::max(2.0, pixelSize * 0.06);
}

qreal BlockHeight(const QFontMetricsF& m, qsizetype lines) {
    return lines <= 0 ? 0 : (lines - 1) * m.lineSpacing() + m.ascent() + m.descent();
}

qreal LineLeft(const QRectF& rect, qreal advance, LineAlign align) {
    return align == LineAlign::Centre ? rect.left() + (rect.width() - advance) / 2 : rect.left();
}

} // namespace

QStringList BreakJapaneseLines(const QString& text, const QFontMetricsF& metrics, qreal width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        const QStringList c = Clusters(QString(paragraph).remove(QLatin1Char('\r')));
        qsizetype start = 0;
        qreal used = 0;
        for (qsizetype i = 0; i < c.size(); ++i) {
            const qreal advance = metrics.horizontalAdvance(c[i]);
            if (i > start && used + advance > width) {
                const qsizetype b = BreakBefore(c, start, i);
                lines.push_back(c.mid(start, b - start).join(QString()));
                start = b;
                used = 0;
                for (qsizetype k = start; k < i; ++k) {
                    used += metrics.horizontalAdvance(c[k]);
                }
            }
            used += advance;
        }
        lines.push_back(c.mid(start).join(QString()));
    }
    return lines;
}

LabelLayout LayOutBand(const QString& text, QFont font, const QRectF& rect, LineAlign align) {
    QFontMetricsF metrics(font);
    const qreal advance = metrics.horizontalAdvance(text);
    if (advance > rect.width() && advance > 0) {
        font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * rect.width() / advance)));
        metrics = QFontMetricsF(font);
    }
    const QRectF ink = metrics.tightBoundingRect(text);
    // Text without ink (blanks) sits where a full line box would.
    const qreal middle =
        ink.isEmpty() ? (metrics.descent() - metrics.ascent()) / 2 : ink.center().y();
    const qreal baseline = rect.center().y() - middle;
    return {font, {{text, {LineLeft(rect, metrics.horizontalAdvance(text), align), baseline}}}};
}

LabelLayout LayOutFixedLines(const QString& text, const QFont& font, const QRectF& rect,
                             LineAlign align) {
    const QFontMetricsF metrics(font);
    LabelLayout layout{font, {}};
    qreal baseline = rect.top() + metrics.ascent();
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        // At the design's own size a later line lies wholly below the label; scaled, a sliver
        // of it could peek in at the bottom edge, which reads as a stray mark.
        if (!layout.lines.empty() && baseline + metrics.descent() > rect.bottom()) {
            break;
        }
        layout.lines.push_back(
            {line, {LineLeft(rect, metrics.horizontalAdvance(line), align), baseline}});
        baseline += metrics.lineSpacing();
    }
    return layout;
}

LabelLayout LayOutNotice(const QString& text, QFont font, const QRectF& rect) {
    // A notice's characters are large, where hinting changes nothing one can see; hinted, the
    // first notice of the day would have FreeType analyse a typeface the boards do not use
    // otherwise, which stays in memory for the rest of the day (some 60 kB, and 1.7 MB of the
    // font file's pages).
    font.setHintingPreference(QFont::PreferNoHinting);
    // Whether the text fits at `size`, judged by the metrics `m` of the font at `measured`
    // pixels, scaled: a font asked for at a size stays in Qt's font cache for the rest of the
    // day, some 20 KB each, so the sizes tried on the way are not asked for.
    const auto fits = [&text, &rect](const QFontMetricsF& m, int measured, int size,
                                     QStringList& lines) {
        const qreal scale = qreal(size) / measured;
        const qreal pad = Padding(size);
        const qreal width = rect.width() - 2 * pad;
        lines = BreakJapaneseLines(text, m, width / scale);
        if (BlockHeight(m, lines.size()) * scale > rect.height() - 2 * pad) {
            return false;
        }
        return std::all_of(lines.begin(), lines.end(), [&](const QString& line) {
            const QRectF ink = m.tightBoundingRect(line);
            return m.horizontalAdvance(line) * scale <= width && ink.left() * scale >= -pad &&
                   ink.right() * scale <= width + pad;
        });
    };
    const int start = font.pixelSize();
    const QFontMetricsF startMetrics(font);
    QStringList lines;
    if (!fits(startMetrics, start, start, lines)) {
        // The largest size that fits, by halving the range of sizes.
        int low = 1;
        int high = start - 1;
        while (low < high) {
            const int mid = (low + high + 1) / 2;
            QStringList tried;
            if (fits(startMetrics, start, mid, tried)) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        // Hinting and rounding make a font's own metrics differ a little from scaled ones: the
        // size found is checked with its own, and a size smaller taken while it does not fit.
        font.setPixelSize(low);
        while (!fits(QFontMetricsF(font), low, low, lines) && low > 1) {
            font.setPixelSize(--low);
        }
    }
    // The block is centred; its lines start at one left edge, as a paragraph does.
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    const qreal left = LineLeft(rect, widest, LineAlign::Centre);
    LabelLayout layout{font, {}};
    qreal baseline = rect.center().y() - BlockHeight(metrics, lines.size()) / 2 + metrics.ascent();
    for (const QString& line : lines) {
        layout.lines.push_back({line, {left, baseline}});
        baseline += metrics.lineSpacing();
    }
    return layout;
}

} // namespace zarava
