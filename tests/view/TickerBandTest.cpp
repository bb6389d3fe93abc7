#include "qtview/TickerBand.h"

#include "Pictures.h"

#include "qtview/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace zarava {
namespace {

// Time that moves only when the test says so. A wake-up falls due like a timer's: when the test
// runs the frames one by one, each comes at its moment; when it jumps, the one due comes late.
class ManualFrameClock final : public FrameClock {
public:
    std::int64_t NowUs() const override { return now_; }
    void WakeAt(std::int64_t us, std::function<void()> wake) override {
        due_ = us;
        wake_ = std::move(wake);
    }
    void CancelWake() override { wake_ = {}; }
    bool Armed() const { return static_cast<bool>(wake_); }

    // Each wake-up on time, up to `us`; or, `late`, straight to `us`, where a wake-up due
    // meanwhile comes once.
    void RunUntil(std::int64_t us, bool late = false) {
        while (wake_ && due_ <= us) {
            now_ = late ? us : due_;
            std::exchange(wake_, {})();
            if (late) {
                break;
            }
        }
        now_ = us;
    }

private:
    std::int64_t now_ = 1'000'000;
    std::int64_t due_ = 0;
    std::function<void()> wake_;
};

// What the screen shows of the band once everything asked for is painted: the offscreen
// platform's copy of the window, into which frames scroll, not a fresh drawing.
QImage OnScreen(TickerBand& band) {
    if (!band.isVisible()) {
        band.show();
    }
    QCoreApplication::processEvents();
    return band.screen()->grabWindow(band.winId()).toImage();
}

// The box where the text colour shows, give or take 16 per channel so antialiased edges are not
// counted; empty when there is no text.
QRect FindInk(const QImage& picture, QRect area = {}) {
    return test::Extent(picture, qRgb(0xFF, 0x00, 0x90), area, 16);
}

QRect FindInk(TickerBand& band) {
    return FindInk(OnScreen(band));
}

class TickerBandTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallDesignFontSubstitutions();
        QObject::connect(&band, &TickerBand::notification,
                         [this](TickerNotification what) { codes.push_back(what); });
    }
    // The moment of the n-th frame after `start` on the offscreen screen's 60 Hz.
    static std::int64_t Frame(std::int64_t start, int n) {
        return start + static_cast<std::int64_t>(std::ceil(n * 1e6 / 60));
    }
    // Starts a pass now and returns its start.
    std::int64_t Start() {
        const std::int64_t start = clock.NowUs();
        band.startAction();
        return start;
    }

    ManualFrameClock clock;
    TickerBand band{nullptr, &clock, StripWorker::Mode::Inline};
    std::vector<TickerNotification> codes;
};

TEST_F(TickerBandTest, DefaultTextStandsStillAtTheLeftCentredAndScalesWithTheBand) {
    band.resize(1200, 44);
    EXPECT_EQ(band.caption(),
              QString::fromUtf8("※診察内容によってお呼びする順番が前後する事があります"));
    const QRect small = FindInk(band);
    ASSERT_FALSE(small.isEmpty());
    EXPECT_LT(small.left(), 12);
    EXPECT_NEAR(small.center().y(), 22, 1.5) << small.top() << ".." << small.bottom();
    EXPECT_EQ(OnScreen(band).pixel(1199, 0), qRgb(0xF0, 0xF0, 0xF0)) << "background";
    EXPECT_FALSE(clock.Armed()) << "nothing runs before a pass";

    band.resize(1200, 88);
    const QRect large = FindInk(band);
    EXPECT_NEAR(double(large.height()) / small.height(), 2.0, 0.15);
    EXPECT_NEAR(large.center().y(), 44, 1.5) << large.top() << ".." << large.bottom();
}

// The same whole number of pixels at every frame, from the right edge on, at any band height,
// and as many as the frames that have come when one comes late.
TEST_F(TickerBandTest, TextMovesTheSameWholeNumberOfPixelsEveryFrame) {
    const struct {
        int height;
        int step;
    } cases[] = {{44, 2}, {61, 3}, {88, 4}};
    for (const auto& c : cases) {
        band.resize(400, c.height);
        band.setCaption(QString::fromUtf8("■■"));
        const std::int64_t start = Start();
        EXPECT_TRUE(FindInk(band).isEmpty()) << "the text starts beyond the right edge";
        // Frames with the whole text in view: its left edge moves by the step each time.
        int compared = 0;
        QRect previous;
        for (int n = 1; n <= 150; ++n) {
            clock.RunUntil(Frame(start, n));
            const QRect ink = FindInk(band);
            const bool whole = !ink.isEmpty() && ink.left() > 0 && ink.right() < 390;
            if (whole && !previous.isEmpty()) {
                EXPECT_EQ(previous.left() - ink.left(), c.step) << c.height << " frame " << n;
                EXPECT_EQ(previous.width(), ink.width()) << c.height << " frame " << n;
                ++compared;
            }
            previous = whole ? ink : QRect();
        }
        EXPECT_GT(compared, 30) << c.height;
    }
    // A frame ten frames late catches up: the text never slows down.
    band.setCaption(QString::fromUtf8("■"));
    const std::int64_t start = Start();
    clock.RunUntil(Frame(start, 50));
    const int before = FindInk(band).left();
    clock.RunUntil(Frame(start, 60) + 5000, true);
    EXPECT_EQ(before - FindInk(band).left(), 10 * 4);
}

// A new text given during a pass waits for the next start; the running pass keeps its own.
TEST_F(TickerBandTest, PassEndsOnceWhenTheTextHasLeftAndANewTextWaitsForTheNextStart) {
    band.resize(300, 44);
    band.setCaption(QString::fromUtf8("■■"));
    qint64 painted = -1;
    QObject::connect(&band, &TickerBand::framePainted, [&](qint64 t) { painted = t; });
    std::int64_t start = Start();
    clock.RunUntil(Frame(start, 100));
    const int wide = FindInk(band).width();
    band.setCaption(QString::fromUtf8("■"));
    int lastInk = 0;
    int n = 100;
    while (codes.empty() && n < 10000) {
        clock.RunUntil(Frame(start, ++n));
        const QRect ink = FindInk(band);
        EXPECT_TRUE(n != 101 || ink.width() == wide) << ink.width() << " wide, not " << wide;
        lastInk = band.isRunning() && !ink.isEmpty() ? n : lastInk;
    }
    EXPECT_EQ(codes, std::vector{TickerNotification::PassEnded});
    // The text is about 80 pixels wide: it has left after (300 + 80) / 2 frames, and the end
    // comes within a few frames of the last ink.
    EXPECT_GT(lastInk, 170);
    EXPECT_LE(n - lastInk, 6);
    EXPECT_FALSE(band.isRunning());
    EXPECT_FALSE(clock.Armed());
    painted = -1;
    EXPECT_TRUE(FindInk(band).isEmpty());
    EXPECT_EQ(painted, -1) << "no frame of a pass is painted after its end";
    clock.RunUntil(Frame(start, n + 600));
    EXPECT_EQ(codes.size(), 1u);
    start = Start();
    clock.RunUntil(Frame(start, 120));
    EXPECT_LT(FindInk(band).width(), wide * 2 / 3);
}

TEST_F(TickerBandTest, RepeatingPassStartsAgainAndADoubleClickIsOnlyReported) {
    band.resize(40, 44);
    band.setCaption(QStringLiteral("a"));
    band.setRepeat(true);
    const std::int64_t start = Start();
    clock.RunUntil(Frame(start, 600)); // many passes of one letter through 40 pixels
    EXPECT_TRUE(codes.empty());
    EXPECT_TRUE(band.isRunning());
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(20, 20), QPointF(20, 20), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&band, &click);
    EXPECT_EQ(codes, std::vector{TickerNotification::DoubleClicked});
    EXPECT_TRUE(band.isRunning());
}

// A news line of any length: far into it, the text is drawn and moves as a short one does.
// Broken and control characters come with it.
TEST_F(TickerBandTest, LongCaptionMovesAsAShortOne) {
    band.resize(800, 44);
    QString caption = QStringLiteral("\tline\r\nbreak ") + QChar(0xD800) + QChar(0x2028);
    for (int i = 0; i < 2000; ++i) {
        caption += QChar(0x6F22 + i % 64);
    }
    band.setCaption(caption);
    const std::int64_t start = Start();
    const int far = 30000; // frames: 60,000 pixels into the text
    clock.RunUntil(Frame(start, 5));
    clock.RunUntil(Frame(start, far), true);
    const QImage there = OnScreen(band);
    clock.RunUntil(Frame(start, far + 1));
    const QImage next = OnScreen(band);
    EXPECT_EQ(band.caption(), caption);
    EXPECT_TRUE(band.isRunning());
    EXPECT_TRUE(codes.empty());
    // Text all across the band: no tile is missing. Where a glyph's edge falls depends on the
    // fonts installed (the broken character is drawn by whichever face has a glyph for it), so
    // each stretch is looked at, not the exact ends.
    for (int x = 0; x < 800; x += 50) {
        EXPECT_FALSE(FindInk(there, QRect(x, 0, 50, 44)).isEmpty()) << "no text at " << x;
    }
    EXPECT_EQ(next.copy(0, 0, 798, 44), there.copy(2, 0, 798, 44)) << "moved by 2 pixels";
}

// With tiles drawn on the worker thread the pass begins once its first tile is there.
TEST(TickerBandBackgroundTest, PassBeginsOnceTheWorkerHasDrawnItsStart) {
    InstallDesignFontSubstitutions();
    ManualFrameClock clock;
    TickerBand band(nullptr, &clock, StripWorker::Mode::Background);
    band.resize(400, 44);
    QString caption;
    for (int i = 0; i < 2000; ++i) {
        caption += QChar(0x3042 + i % 80);
    }
    band.setCaption(caption);
    band.startAction();
    EXPECT_TRUE(band.isRunning());
    QElapsedTimer waited;
    waited.start();
    while (!clock.Armed() && waited.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_TRUE(clock.Armed()) << "the first frame was never asked for";
    clock.RunUntil(clock.NowUs() + 4'000'000); // 480 pixels: the band is full of text
    while (FindInk(band).width() < 390 && waited.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_GE(FindInk(band).width(), 390);
}

} // namespace
} // namespace zarava
