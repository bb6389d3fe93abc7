#include "qtview/TickerBand.h"

#include "ports/DisplayLayout.h"
#include "qtview/Colours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace zarava {

namespace {

const char kDefaultCaption[] = "※診察内容によってお呼びする順番が前後する事があります";

// Tiles are drawn this far beyond the right edge, several seconds ahead of the text.
constexpr int kLookAhead = 2 * TextStrip::kTileWidth;

// Urgency of the worker's jobs: the text on screen before the next pass's.
constexpr int kShownUrgency = 1;
constexpr int kPreparedUrgency = 0;

} // namespace

TickerBand::TickerBand(QWidget* parent, FrameClock* clock, StripWorker::Mode drawing)
    : QWidget(parent), clock_(clock), caption_(QString::fromUtf8(kDefaultCaption)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (clock_ == nullptr) {
        ownClock_ = std::make_unique<SteadyFrameClock>();
        clock_ = ownClock_.get();
    }
    worker_ = std::make_unique<StripWorker>(drawing, [this] {
        // One wake-up of the GUI thread at a time, however many tiles arrive meanwhile.
        if (!arrivalPosted_.exchange(true)) {
            tilesArrived_.Wake();
        }
    });
    style_ = CurrentStyle();
    prepared_ = worker_->Start(caption_, style_);
    shown_ = prepared_;
    shownCaption_ = caption_;
    WantTiles();
}

TickerBand::~TickerBand() {
    clock_->CancelWake();
    worker_.reset(); // its thread calls back into the band
}

void TickerBand::SendFramesOverTheConnection() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
}

StripStyle TickerBand::CurrentStyle() const {
    const qreal dpr = devicePixelRatioF();
    return {static_cast<int>(std::lround(height() * dpr)), dpr};
}

int TickerBand::BandWidth() const {
    return static_cast<int>(std::lround(width() * devicePixelRatioF()));
}

void TickerBand::setCaption(const QString& caption) {
    if (caption == caption_ && prepared_) {
        return;
    }
    caption_ = caption;
    prepared_ = worker_->Start(caption_, style_);
    if (phase_ == Phase::Still) {
        shown_ = prepared_;
        shownCaption_ = caption_;
        Repaint();
    }
    WantTiles();
}

void TickerBand::startAction() {
    FollowStyle();
    BeginPass();
}

void TickerBand::BeginPass() {
    if (!prepared_) {
        prepared_ = worker_->Start(caption_, style_);
    }
    shown_ = std::move(prepared_);
    shownCaption_ = caption_;
    if (phase_ == Phase::Moving) {
        emit framesStopped();
    }
    phase_ = Phase::Waiting;
    travelled_ = 0;
    anchorTravelled_ = 0;
    clock_->CancelWake();
    WantTiles();
    Repaint();
    BeginMovingWhenReady();
}

// The pass begins to move once its first tile is drawn: until then the band is empty, as it is
// while the text enters, so the wait never shows.
void TickerBand::BeginMovingWhenReady() {
    if (phase_ == Phase::Waiting && worker_->Ready(*shown_, 0, 1)) {
        phase_ = Phase::Moving;
        Anchor(clock_->NowUs());
        OnFrame();
    }
}

void TickerBand::Anchor(std::int64_t now) {
    const QScreen* where = screen();
    const double hz = where != nullptr ? where->refreshRate() : 60;
    periodUs_ = 1e6 / UsableRefreshRate(hz);
    step_ = BandStepPixels(style_.bandHeight, hz);
    anchorUs_ = now;
    anchorTravelled_ = travelled_;
}

void TickerBand::OnFrame() {
    if (phase_ != Phase::Moving) {
        return;
    }
    emit frameBegins();
    if (phase_ != Phase::Moving) {
        return; // what the frame's other work did started the pass afresh
    }
    const std::int64_t now = clock_->NowUs();
    // The frame whose moment has come; the wake-up for it may round to its very microsecond.
    const auto frame = static_cast<std::int64_t>(
        std::floor(static_cast<double>(now - anchorUs_) / periodUs_ + 1e-6));
    travelled_ = anchorTravelled_ + frame * step_;
    const std::optional<int> width = worker_->Width(*shown_);
    if (width && travelled_ >= BandWidth() + *width) {
        if (repeat_) {
            BeginPass();
            return;
        }
        phase_ = Phase::Ended;
        shown_.reset();
        Repaint();
        emit framesStopped();
        emit notification(TickerNotification::PassEnded);
        return;
    }
    WantTiles();
    ShowTravelled();
    // The first microsecond of the next frame (a whole microsecond stays one despite rounding).
    const auto next = anchorUs_ + static_cast<std::int64_t>(
                                      std::ceil(static_cast<double>(frame + 1) * periodUs_ - 1e-6));
    clock_->WakeAt(next, [this] { OnFrame(); });
}

// Tiles come seconds before they show. One that came late left background on the screen,
// which scrolling would carry along, so then the band is drawn whole again.
void TickerBand::OnTilesArrived() {
    arrivalPosted_ = false;
    if (showsHoles_) {
        Repaint();
    }
    BeginMovingWhenReady();
}

void TickerBand::Repaint() {
    onScreen_ = -1;
    update();
}

// A frame moves the pixels on the screen by the text's travel since the last one and draws only
// the columns that come in at the right edge: the X server moves the band within its own copy
// of the window, and a frame sends it a few columns instead of the whole band. Where that
// cannot be exact (a first frame, a fractional pixel ratio) the band is drawn whole.
void TickerBand::ShowTravelled() {
    const std::int64_t shift = travelled_ - onScreen_;
    if (onScreen_ < 0 || shift < 0 || shift >= BandWidth() || devicePixelRatioF() != 1.0 ||
        !isVisible()) {
        update();
    } else if (shift > 0) {
        scroll(static_cast<int>(-shift), 0);
    }
    onScreen_ = travelled_;
}

// A new height or pixel density draws the text afresh at its new size; a moving pass goes on
// from where it was, at the new speed.
void TickerBand::FollowStyle() {
    const StripStyle style = CurrentStyle();
    if (style == style_) {
        return;
    }
    style_ = style;
    const bool same = shown_ == prepared_; // the caption standing still before the first pass
    if (prepared_) {
        prepared_ = worker_->Start(caption_, style_);
    }
    if (shown_) {
        shown_ = same ? prepared_ : worker_->Start(shownCaption_, style_);
    }
    if (phase_ == Phase::Moving) {
        Anchor(clock_->NowUs());
    }
}

void TickerBand::WantTiles() {
    const int bandWidth = BandWidth();
    if (shown_) {
        const std::int64_t from = phase_ == Phase::Still ? 0 : travelled_ - bandWidth;
        const std::int64_t until = phase_ == Phase::Still ? bandWidth : travelled_ + kLookAhead;
        worker_->Want(shown_, static_cast<int>(std::clamp<std::int64_t>(from, 0, INT32_MAX)),
                      static_cast<int>(std::clamp<std::int64_t>(until, 0, INT32_MAX)),
                      kShownUrgency);
    }
    if (prepared_ && prepared_ != shown_) {
        worker_->Want(prepared_, 0, bandWidth + kLookAhead, kPreparedUrgency);
    }
}

void TickerBand::paintEvent(QPaintEvent* event) {
    if (CurrentStyle() != style_) {
        FollowStyle(); // moved to a screen of another pixel density
        WantTiles();
        Repaint();
    }
    const QRect dirty = event->rect();
    QPainter painter(this);
    painter.fillRect(dirty, ToQColor(kWindowBackground));
    if (!shown_ || (phase_ != Phase::Still && phase_ != Phase::Moving)) {
        return;
    }
    const qreal dpr = devicePixelRatioF();
    // Where the strip's left end is, in device pixels of the band; whole pixels, so the tiles
    // are plain copies. Only the tiles under the dirty columns are drawn.
    const std::int64_t left = phase_ == Phase::Still ? 0 : BandWidth() - travelled_;
    const std::int64_t from = std::max<std::int64_t>(0, std::llround(dirty.left() * dpr) - left);
    const std::int64_t until = std::llround((dirty.right() + 1) * dpr) - left;
    if (until > from && from < INT32_MAX) {
        const int first = static_cast<int>(from);
        const int end = static_cast<int>(std::min<std::int64_t>(until, INT32_MAX));
        for (const auto& [index, tile] : worker_->Tiles(*shown_, first, end)) {
            // Only the tile's columns under the dirty ones: a tile is turned into the screen's
            // colours as it is drawn, and a frame needs a few columns of it.
            const std::int64_t x = left + std::int64_t{index} * TextStrip::kTileWidth;
            const QRectF target(static_cast<double>(x) / dpr, 0, tile.width() / dpr, height());
            const QRectF shown = target.intersected(QRectF(dirty));
            painter.drawImage(shown, tile,
                              QRectF((shown.left() - target.left()) * dpr, 0, shown.width() * dpr,
                                     tile.height()));
        }
        const bool holes = !worker_->Ready(*shown_, first, end);
        showsHoles_ = dirty == rect() ? holes : showsHoles_ || holes;
    }
    if (phase_ == Phase::Moving) {
        emit framePainted(travelled_);
    }
}

void TickerBand::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    onScreen_ = -1;
    FollowStyle();
    WantTiles();
}

void TickerBand::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit notification(TickerNotification::DoubleClicked);
}

} // namespace zarava
