#include "platform/qt/TickerBand.h"

#include "platform/qt/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace zarava {
namespace {

// Runs the event loop for `ms` milliseconds or until `done` holds; returns `done()`.
bool RunEvents(int ms, const std::function<bool()>& done = nullptr) {
    QElapsedTimer clock;
    clock.start();
    while (!(done && done()) && clock.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    return done && done();
}

// The box where the text colour #FF0090 shows in a picture of the band, give or take 16 per
// channel so antialiased edges are not counted; empty when there is no text.
QRect FindInk(TickerBand& band) {
    const QImage image = band.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) >= 0xEF && qGreen(p) <= 0x10 && std::abs(qBlue(p) - 0x90) <= 0x10) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

class TickerBandTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallDesignFontSubstitutions();
        QObject::connect(&band, &TickerBand::notification,
                         [this](int code) { codes.push_back(code); });
    }
    double PixelsPerSecond() const { return TickerBand::kBandHeightsPerSecond * band.height(); }

    TickerBand band;
    std::vector<int> codes;
};

TEST_F(TickerBandTest, DefaultTextStandsStillAtTheLeftAndScalesWithTheBand) {
    band.resize(1200, 44);
    EXPECT_EQ(band.caption(),
              QString::fromUtf8("※診察内容によってお呼びする順番が前後する事があります"));
    const QRect small = FindInk(band);
    ASSERT_FALSE(small.isEmpty());
    EXPECT_LT(small.left(), 12);
    EXPECT_NEAR(small.center().y(), 22, 4);
    EXPECT_EQ(band.grab().toImage().pixel(1199, 0), qRgb(0xF0, 0xF0, 0xF0)) << "background";
    RunEvents(100);
    EXPECT_EQ(FindInk(band).left(), small.left()) << "moved before a pass was started";

    band.resize(1200, 88);
    const QRect large = FindInk(band);
    EXPECT_NEAR(double(large.height()) / small.height(), 2.0, 0.25);
    EXPECT_NEAR(large.center().y(), 44, 6);
}

// The text enters at the right, crosses the whole band, and only then ends the pass, once.
TEST_F(TickerBandTest, PassMovesTheTextLeftAndEndsOnceWithNotification11) {
    band.resize(300, 44);
    band.setCaption(QString::fromUtf8("■■"));
    QElapsedTimer clock;
    clock.start();
    band.startAction();
    RunEvents(50);
    const QRect entering = FindInk(band);
    EXPECT_TRUE(entering.isEmpty() || entering.left() > 250) << entering.left();
    RunEvents(1000);
    const QRect middle = FindInk(band);
    EXPECT_TRUE(!middle.isEmpty() && middle.left() < 260) << middle.left();
    RunEvents(300);
    const QRect later = FindInk(band);
    EXPECT_TRUE(!later.isEmpty() && later.left() < middle.left()) << later.left();

    ASSERT_TRUE(RunEvents(10000, [&] { return !codes.empty(); }));
    const double seconds = clock.elapsed() / 1000.0;
    EXPECT_GE(seconds, 300 / PixelsPerSecond());
    EXPECT_LE(seconds, (300 + 3 * 44) / PixelsPerSecond() + 2.0);
    EXPECT_FALSE(band.isRunning());
    EXPECT_TRUE(FindInk(band).isEmpty());
    RunEvents(300);
    EXPECT_EQ(codes, std::vector<int>{TickerBand::kPassEnded});
}

TEST_F(TickerBandTest, RepeatingPassStartsAgainAndADoubleClickIsOnlyReported) {
    band.resize(40, 44);
    band.setCaption(QStringLiteral("a"));
    band.setRepeat(true);
    band.startAction();
    // Long enough for two passes of a one-letter caption through a 40-pixel band.
    RunEvents(static_cast<int>((40 + 3 * 44) / PixelsPerSecond() * 1000));
    EXPECT_TRUE(codes.empty());
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(20, 20), QPointF(20, 20), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&band, &click);
    EXPECT_EQ(codes, std::vector<int>{TickerBand::kDoubleClicked});
    EXPECT_TRUE(band.isRunning());
}

// A news file can hold anything: a line of 200,000 characters, line breaks, a broken surrogate.
TEST_F(TickerBandTest, OversizedOrBrokenCaptionIsKeptWholeAndDrawn) {
    band.resize(800, 44);
    QString caption = QStringLiteral("\tline\r\nbreak ") + QChar(0xD800) + QString(200000, u'漢');
    band.setCaption(caption);
    band.startAction();
    RunEvents(600);
    EXPECT_EQ(band.caption(), caption);
    EXPECT_FALSE(FindInk(band).isEmpty());
    EXPECT_TRUE(band.isRunning());
}

TEST(TickerBandHeightTest, FollowsTheFrameHeightButNeverShrinksBelowTheDesign) {
    EXPECT_EQ(TickerBand::PreferredHeight(768), 44);
    EXPECT_EQ(TickerBand::PreferredHeight(0), 44);
    EXPECT_EQ(TickerBand::PreferredHeight(1080), 61);
}

} // namespace
} // namespace zarava
