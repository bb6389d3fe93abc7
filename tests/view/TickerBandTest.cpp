#include "platform/qt/TickerBand.h"

#include "platform/qt/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace zarava {
namespace {

constexpr QRgb kTextColour = qRgb(0xFF, 0x00, 0x90);
constexpr QRgb kBackground = qRgb(0xF0, 0xF0, 0xF0);

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}

void Pause(int ms) {
    WaitFor([] { return false; }, ms);
}

// Where the text colour shows in a picture of the band (antialiased edges are not counted).
struct Ink {
    int left = -1, right = -1, top = -1, bottom = -1;
    int textPixels = 0;
    int backgroundPixels = 0;
};

Ink FindInk(TickerBand& band) {
    const QImage image = band.grab().toImage().convertToFormat(QImage::Format_RGB32);
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == kBackground) {
                ++ink.backgroundPixels;
            }
            const bool text = std::abs(qRed(p) - qRed(kTextColour)) <= 16 &&
                              std::abs(qGreen(p) - qGreen(kTextColour)) <= 16 &&
                              std::abs(qBlue(p) - qBlue(kTextColour)) <= 16;
            if (text) {
                ink.left = ink.textPixels == 0 ? x : std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = ink.textPixels == 0 ? y : std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.textPixels;
            }
        }
    }
    return ink;
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

TEST_F(TickerBandTest, ShowsTheDefaultTextStillAndCentredBeforeTheFirstPass) {
    band.resize(1200, 44);
    EXPECT_EQ(band.caption(),
              QString::fromUtf8("※診察内容によってお呼びする順番が前後する事があります"));
    const Ink ink = FindInk(band);
    ASSERT_GT(ink.textPixels, 0);
    EXPECT_LT(ink.left, 12);
    EXPECT_GT(ink.backgroundPixels, 0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 22, 4);
    Pause(100);
    EXPECT_EQ(FindInk(band).left, ink.left) << "the text moved before a pass was started";
    EXPECT_FALSE(band.isRunning());
}

TEST_F(TickerBandTest, TallerBandDrawsProportionallyTallerText) {
    band.resize(1200, 44);
    const Ink small = FindInk(band);
    band.resize(1200, 88);
    const Ink large = FindInk(band);
    ASSERT_GT(small.textPixels, 0);
    ASSERT_GT(large.textPixels, 0);
    const double ratio = double(large.bottom - large.top) / (small.bottom - small.top);
    EXPECT_NEAR(ratio, 2.0, 0.25);
    EXPECT_NEAR((large.top + large.bottom) / 2.0, 44, 6);
}

TEST_F(TickerBandTest, TextEntersAtTheRightAndMovesLeft) {
    band.resize(600, 44);
    band.setCaption(QString::fromUtf8("■■■■"));
    band.setRepeat(false);
    band.startAction();
    Pause(50);
    const Ink entering = FindInk(band);
    EXPECT_TRUE(entering.textPixels == 0 || entering.left > 500) << "left at " << entering.left;
    Pause(1200);
    const Ink mid = FindInk(band);
    ASSERT_GT(mid.textPixels, 0);
    EXPECT_GT(mid.backgroundPixels, 0);
    EXPECT_LT(mid.left, 560);
    Pause(400);
    const Ink later = FindInk(band);
    ASSERT_GT(later.textPixels, 0);
    EXPECT_LT(later.left, mid.left);
    EXPECT_TRUE(codes.empty());
}

// The text must cross the whole band before the pass can end; it ends once, then stops.
TEST_F(TickerBandTest, PassEndsOnceWithNotification11AfterTheTextHasLeft) {
    band.resize(120, 44);
    band.setCaption(QStringLiteral("ab"));
    band.setRepeat(false);
    QElapsedTimer clock;
    clock.start();
    band.startAction();
    ASSERT_TRUE(WaitFor([&] { return !codes.empty(); }, 10000));
    const double seconds = clock.elapsed() / 1000.0;
    EXPECT_EQ(codes, std::vector<int>{TickerBand::kPassEnded});
    EXPECT_GE(seconds, 120 / PixelsPerSecond());
    EXPECT_LE(seconds, (120 + 3 * 44) / PixelsPerSecond() + 2.0);
    EXPECT_FALSE(band.isRunning());
    EXPECT_EQ(FindInk(band).textPixels, 0);
    Pause(300);
    EXPECT_EQ(codes.size(), 1u);
}

TEST_F(TickerBandTest, RepeatingPassStartsAgainInsteadOfEnding) {
    band.resize(40, 44);
    band.setCaption(QStringLiteral("a"));
    band.setRepeat(true);
    band.startAction();
    // Long enough for two passes of a one-letter caption through a 40-pixel band.
    Pause(static_cast<int>((40 + 3 * 44) / PixelsPerSecond() * 1000));
    EXPECT_TRUE(codes.empty());
    EXPECT_TRUE(band.isRunning());
}

// A news file can hold anything: a line of 200,000 characters, line breaks, a broken surrogate.
TEST_F(TickerBandTest, OversizedOrBrokenCaptionIsKeptWholeAndDrawn) {
    band.resize(800, 44);
    QString caption = QStringLiteral("\tline\r\nbreak ") + QChar(0xD800) + QString(200000, u'漢');
    band.setCaption(caption);
    band.startAction();
    Pause(600);
    EXPECT_EQ(band.caption(), caption);
    const Ink ink = FindInk(band);
    EXPECT_GT(ink.textPixels, 0);
    EXPECT_TRUE(band.isRunning());
}

TEST_F(TickerBandTest, DoubleClickRaisesNotification10) {
    band.resize(400, 44);
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(200, 20), QPointF(200, 20),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&band, &click);
    EXPECT_EQ(codes, std::vector<int>{TickerBand::kDoubleClicked});
}

TEST(TickerBandHeightTest, FollowsTheFrameHeightButNeverShrinksBelowTheDesign) {
    EXPECT_EQ(TickerBand::PreferredHeight(768), 44);
    EXPECT_EQ(TickerBand::PreferredHeight(600), 44);
    EXPECT_EQ(TickerBand::PreferredHeight(0), 44);
    EXPECT_EQ(TickerBand::PreferredHeight(1080), 61);
    EXPECT_EQ(TickerBand::PreferredHeight(2160), 123);
}

} // namespace
} // namespace zarava
