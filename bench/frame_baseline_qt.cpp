// The yardstick of six_rooms_qt and startup_qt: a minimal Qt program that shows what the display
// shows with six rooms (a frame filling the screen; the band with passes of a caption, each
// started, as the display's, at the first ten-second tick after the last one has left; six panes
// with a title, twelve waiting numbers, the count and the estimate, and a called number that blinks
// 1.8 s on, 0.6 s off), drawn the plainest way: text with QPainter, nothing cached beyond
// what Qt caches itself. It uses nothing of the display's code.
//
//   frame_baseline_qt SECONDS CAPTION

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdlib>

namespace {

const QColor kRoomColours[] = {{0xFF, 0x9A, 0xCE}, {0x63, 0x65, 0xFF}, {0x63, 0x9A, 0xCE},
                               {0x63, 0x9A, 0x31}, {0xFF, 0x80, 0x00}, {0xD0, 0x40, 0x00}};

class Frame final : public QWidget {
public:
    explicit Frame(QString caption) : caption_(std::move(caption)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        band_.setTimerType(Qt::PreciseTimer);
        band_.setInterval(16); // the band's frames, as the display's
        connect(&band_, &QTimer::timeout, this, [this] {
            if (pass_.elapsed() * BandSpeed() / 1000 > width() + TextWidth()) {
                band_.stop();
            }
            update(0, 0, width(), BandHeight());
        });
        // The first pass after a second, the next ones at the ten-second ticks.
        passes_.setInterval(10000);
        connect(&passes_, &QTimer::timeout, this, [this] { StartPass(); });
        QTimer::singleShot(1000, this, [this] {
            StartPass();
            passes_.start();
        });
        blink_.setInterval(100); // each pane's blink tick on the shared 600 ms phase
        connect(&blink_, &QTimer::timeout, this, [this] {
            const bool on = (clock_.elapsed() / 600) % 4 != 0;
            if (on != on_) {
                on_ = on;
                for (int i = 0; i < 6; ++i) {
                    update(CallArea(i));
                }
            }
        });
        clock_.start();
        blink_.start();
    }

protected:
    // Only what the update asks for is drawn, as the display does.
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        const QRect band(0, 0, width(), BandHeight());
        if (event->region().intersects(band)) {
            p.fillRect(band, QColor(0xF0, 0xF0, 0xF0));
        }
        if (event->region().intersects(band) && band_.isActive()) {
            QFont font(QStringLiteral("IPAPMincho")); // the band's face in the design
            font.setBold(true);
            font.setPixelSize(BandHeight() * 3 / 4);
            p.setFont(font);
            p.setPen(QColor(0xFF, 0x00, 0x80));
            const int x = width() - static_cast<int>(pass_.elapsed() * BandSpeed() / 1000);
            p.drawText(x, BandHeight() * 3 / 4, caption_);
        }
        for (int i = 0; i < 6; ++i) {
            if (event->region().intersects(Pane(i).adjusted(-2, -2, 2, 2))) {
                p.fillRect(Pane(i).adjusted(-2, -2, 2, 2), QColor(0x70, 0x70, 0x70));
                DrawPane(p, i);
            }
        }
    }

private:
    void StartPass() {
        if (!band_.isActive()) {
            pass_.start();
            band_.start();
        }
    }
    int BandHeight() const { return std::max(44, 44 * height() / 768); }
    double BandSpeed() const { return 2.5 * BandHeight(); }
    int TextWidth() const { return caption_.size() * BandHeight() * 3 / 4; }
    QRect Pane(int i) const {
        const int w = width() / 3;
        const int h = (height() - BandHeight()) / 2;
        return QRect(i / 2 * w, BandHeight() + i % 2 * h, w, h).adjusted(2, 2, -2, -2);
    }
    QRect CallArea(int i) const {
        const QRect r = Pane(i);
        return QRect(r.left() + r.width() / 2, r.top() + r.height() / 5, r.width() / 2,
                     r.height() * 3 / 5);
    }
    void DrawPane(QPainter& p, int i) {
        const QRect r = Pane(i);
        p.fillRect(r, QColor(0xF0, 0xF0, 0xF0));
        const QRect title(r.left(), r.top(), r.width(), r.height() / 9);
        p.fillRect(title, kRoomColours[i]);
        QFont font(QStringLiteral("IPAPGothic"));
        font.setBold(true);
        font.setPixelSize(title.height() * 3 / 4);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(title, Qt::AlignCenter, QStringLiteral("第%1診察室").arg(i + 1));
        font.setPixelSize(r.height() / 14);
        p.setFont(font);
        p.setPen(QColor(0xFF, 0x80, 0x00));
        for (int k = 0; k < 12; ++k) {
            p.drawText(r.left() + r.width() / 20 + k % 2 * r.width() / 5,
                       r.top() + r.height() / 5 + k / 2 * r.height() / 14,
                       QStringLiteral("%1").arg(100 * (i + 1) + 8 + k, 3, 10, QLatin1Char('0')));
        }
        p.setPen(QColor(0x00, 0x80, 0xFF));
        p.drawText(r.left() + r.width() * 3 / 4, r.bottom() - r.height() / 20,
                   QStringLiteral("%1 人").arg(11 + i));
        p.setPen(QColor(0x00, 0x96, 0x00));
        p.drawText(r.left() + r.width() / 10, r.bottom() - r.height() / 20,
                   QStringLiteral("約 %1 分").arg(20 + i));
        if (on_) {
            const QRect call = CallArea(i);
            p.setPen(Qt::black);
            p.drawText(call.adjusted(0, 0, 0, -call.height() * 2 / 3), Qt::AlignCenter,
                       QStringLiteral("お待たせしました"));
            font.setPixelSize(call.height() / 2);
            p.setFont(font);
            p.setPen(QColor(0xFF, 0x3F, 0x9F));
            p.drawText(call.adjusted(0, call.height() / 3, 0, 0), Qt::AlignCenter,
                       QStringLiteral("%1").arg(100 * (i + 1) + 6));
        }
    }

    QString caption_;
    QTimer band_;
    QTimer passes_;
    QTimer blink_;
    QElapsedTimer clock_;
    QElapsedTimer pass_;
    bool on_ = true;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    Frame frame(argc > 2 ? QString::fromUtf8(argv[2])
                         : QStringLiteral("本日もご来院ありがとうございます。"));
    frame.setWindowFlags(Qt::FramelessWindowHint);
    frame.setGeometry(QGuiApplication::primaryScreen()->geometry());
    frame.show();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return app.exec();
}
