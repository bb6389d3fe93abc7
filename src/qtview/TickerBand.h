#pragma once

#include "ports/TickerNotification.h"
#include "qtview/FrameClock.h"
#include "qtview/StripWorker.h"
#include "qtview/ThreadWakeup.h"

#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>

namespace zarava {

// The information band: moves one line of text from the right edge through the band until it
// has left at the left edge, and reports the end of each pass. It only shows what it is given;
// what to show next and when is decided elsewhere. GUI thread only.
//
// The text moves a whole number of device pixels per refresh of the screen, the same number at
// every refresh, so it neither blurs between pixels nor stutters. Its position comes from the
// time since the pass began, counted in refresh periods, so a late frame never slows it down.
// The frames are timed from the screen's refresh rate and a precise timer rather than from
// QWindow::requestUpdate(): under X11 a raster window gets no refresh signal, and
// requestUpdate() there is a 5 ms timer that would scatter the frames by as much.
// The text is drawn ahead, in tiles of a bounded width, by a worker thread; a frame only copies
// the tiles in view, whatever the caption's length. Between passes nothing runs.
class TickerBand : public QWidget {
    Q_OBJECT
public:
    // `clock` drives the frames and must outlive the band; null for the steady clock. Tests
    // draw the tiles inline.
    explicit TickerBand(QWidget* parent = nullptr, FrameClock* clock = nullptr,
                        StripWorker::Mode drawing = StripWorker::Mode::Background);
    ~TickerBand() override;

    // The text of the next pass; a running pass keeps its own.
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    // When set, an ended pass starts again instead of being reported.
    void setRepeat(bool repeat) { repeat_ = repeat; }
    bool repeat() const { return repeat_; }
    // Starts one pass with the current caption and returns at once; a running pass is dropped.
    void startAction();
    bool isRunning() const { return phase_ == Phase::Waiting || phase_ == Phase::Moving; }

    // To be called before the QApplication is made: on X11, frames then reach the server over
    // the connection rather than through shared memory. Qt paints into shared memory again
    // only after a round trip to the server, which the band would make at every frame; over
    // the connection a frame costs the few columns it scrolls in. A choice made in the
    // environment (QT_XCB_NO_MITSHM) stands.
    static void SendFramesOverTheConnection();

signals:
    void notification(zarava::TickerNotification what);
    // While the text moves: a frame has come, before the band moves and paints. The GUI thread
    // is awake for it anyway, so other work can be done in the same wake-up.
    void frameBegins();
    // The text no longer moves: the pass has ended or starts again.
    void framesStopped();
    // A frame of a pass has been painted, the text having travelled so many device pixels.
    void framePainted(qint64 travelled);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    enum class Phase {
        Still,   // before the first pass: the caption stands at the left
        Waiting, // a pass was started; its first tile is being drawn
        Moving,
        Ended, // the text has left; nothing is drawn
    };

    StripStyle CurrentStyle() const;
    int BandWidth() const; // device pixels
    void FollowStyle();
    void WantTiles();
    void BeginPass();
    void BeginMovingWhenReady();
    void Anchor(std::int64_t now);
    void OnFrame();
    void OnTilesArrived();
    void Repaint();
    void ShowTravelled();

    FrameClock* clock_;
    std::unique_ptr<SteadyFrameClock> ownClock_;
    QString caption_;
    bool repeat_ = false;
    Phase phase_ = Phase::Still;
    StripStyle style_;
    std::shared_ptr<StripWorker::Job> shown_;    // the strip on screen
    QString shownCaption_;                       // its caption
    std::shared_ptr<StripWorker::Job> prepared_; // the caption of the next pass
    // The pass: from `anchorUs_` on, the text travels `step_` device pixels per refresh period,
    // beyond the `anchorTravelled_` it had travelled then.
    std::int64_t anchorUs_ = 0;
    std::int64_t anchorTravelled_ = 0;
    double periodUs_ = 1e6 / 60;
    int step_ = 1;
    std::int64_t travelled_ = 0;
    std::int64_t onScreen_ = -1; // the travel the screen shows; -1 when it shows other pixels
    bool showsHoles_ = false;    // the screen shows background where a tile was not drawn yet
    std::atomic<bool> arrivalPosted_{false};
    ThreadWakeup tilesArrived_{[this] { OnTilesArrived(); }}; // the worker wakes the GUI thread
    std::unique_ptr<StripWorker> worker_;                     // stopped first, in the destructor
};

} // namespace zarava
