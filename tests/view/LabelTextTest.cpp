#include "qtview/LabelText.h"

#include "Pictures.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zarava {
namespace {

// A face whose kana and kanji are one em wide and whose Latin letters half an em.
QFont EvenFont(int pixels) {
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(pixels);
    return font;
}

bool HaveEvenFont() {
    return QFontDatabase::families().contains(QStringLiteral("IPAGothic"));
}

TEST(LabelTextTest, LinesBreakBetweenCharactersWithTheJapaneseRules) {
    if (!HaveEvenFont()) {
        GTEST_SKIP() << "IPA fonts missing (package fonts-ipafont-gothic)";
    }
    const QFontMetricsF metrics(EvenFont(20));
    const qreal em = metrics.horizontalAdvance(QStringLiteral("あ"));
    const struct {
        const char* text;
        double ems;
        const char* lines;
    } cases[] = {
        {"あいうえおかきくけこ", 5, "あいうえお|かきくけこ"},
        {"あいうえお。かきく", 5, "あいうえ|お。かきく"}, // no line starts with 。
        {"あいうえ、、かき", 4, "あいう|え、、か|き"},    // nor with two of them
        {"あいう「えお」", 4, "あいう|「えお」"},         // no line ends with 「
        {"あいうえ」かき", 4, "あいう|え」かき"},
        {"あいうえーお", 4, "あいう|えーお"}, // nor starts with ー
        {"がっこうにいく", 2, "がっ|こう|にい|く"},
        {"あいうっ", 3, "あい|うっ"},                        // small kana
        {"お知らせCOVID19です", 5, "お知らせ|COVID19で|す"}, // a Latin word stays whole
        {"ABCDEFGHIJKL", 3, "ABCDEF|GHIJKL"},                // unless it is too long
        {"あい\nう", 10, "あい|う"},
        {"あ", 0.5, "あ"},
        {"あい", 0.5, "あ|い"},    // narrower than a character
        {"」」」", 1, "」|」|」"}, // the rules cannot hold
        {"", 5, ""},
    };
    for (const auto& c : cases) {
        const QStringList lines =
            BreakJapaneseLines(QString::fromUtf8(c.text), metrics, c.ems * em);
        EXPECT_EQ(lines.join(QLatin1Char('|')).toStdString(), c.lines) << c.text << " " << c.ems;
    }
}

QImage Draw(const LabelLayout& layout, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(layout.font);
    painter.setPen(Qt::black);
    for (const LabelLayout::Line& line : layout.lines) {
        painter.drawText(line.baseline, line.text);
    }
    return image;
}

TEST(LabelTextTest, NoticeWrapsShrinksOnlyWhenItMustAndStaysInsideThePanel) {
    if (!HaveEvenFont()) {
        GTEST_SKIP() << "IPA fonts missing (package fonts-ipafont-gothic)";
    }
    const QString longNotice = QString::fromUtf8(
        "午前中の受付は終了致しました。午後の診療は「午後２時」から始まります。お薬のみの方は、"
        "受付にお申し出下さい。ＡＢＣ　Clinic　https://example.jp/");
    const struct {
        QString text;
        QSize panel;
        bool shrinks;
    } cases[] = {
        {QString::fromUtf8("本日の受付は終了致しました。"), {600, 400}, false},
        {longNotice, {600, 400}, true},
        {longNotice, {200, 600}, true},
        {longNotice, {900, 150}, true},
        {QString::fromUtf8("受付"), {30, 300}, true}, // one character wider than the panel
    };
    for (const auto& c : cases) {
        const QRectF panel(QPointF(0, 0), QSizeF(c.panel));
        const LabelLayout layout = LayOutNotice(c.text, EvenFont(64), panel);
        EXPECT_EQ(layout.font.pixelSize() < 64, c.shrinks) << c.panel.width();
        QString joined;
        for (const LabelLayout::Line& line : layout.lines) {
            joined += line.text;
        }
        EXPECT_EQ(joined, c.text);
        // No glyph touches the panel's edge, let alone crosses it.
        const QRect ink = test::Extent(Draw(layout, c.panel), qRgb(0, 0, 0));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(QRect(QPoint(1, 1), c.panel - QSize(2, 2)).contains(ink)) << c.panel.width();
        // Centred: the margins on either side differ by little.
        EXPECT_LE(std::abs(ink.left() - (c.panel.width() - 1 - ink.right())),
                  layout.font.pixelSize())
            << c.panel.width();
        EXPECT_LE(std::abs(ink.top() - (c.panel.height() - 1 - ink.bottom())),
                  layout.font.pixelSize())
            << c.panel.width();
    }
}

} // namespace
} // namespace zarava
