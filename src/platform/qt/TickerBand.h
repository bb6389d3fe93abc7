#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace zarava {

// The information band: moves one line of text from the right edge through the band until it
// has left at the left edge, and reports the end of each pass. It only shows what it is given;
// what to show next and when is decided elsewhere. GUI thread only.
class TickerBand : public QWidget {
    Q_OBJECT
public:
    // Notification codes, as the main window's handler expects them.
    static constexpr int kDoubleClicked = 10;
    static constexpr int kPassEnded = 11;

    // Speed of the text, in band heights per second: tied to the height because a taller band on
    // a bigger monitor has bigger text, and the eye reads whole characters per second.
    static constexpr double kBandHeightsPerSecond = 2.5;

    explicit TickerBand(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    // When set, an ended pass starts again instead of being reported.
    void setRepeat(bool repeat) { repeat_ = repeat; }
    bool repeat() const { return repeat_; }
    // Starts one pass with the current caption and returns at once; a running pass is dropped.
    void startAction();
    bool isRunning() const { return frameTimer_.isActive(); }

    // The band's height on a frame of the given height: 44 pixels on a 768-pixel screen, as
    // designed, and proportionally more on taller ones.
    static int PreferredHeight(int frameHeight);

signals:
    void notification(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void advance();
    double pixelsPerSecond() const;
    const QPixmap& textPixmap();

    QString caption_;
    bool repeat_ = false;
    bool started_ = false;
    QTimer frameTimer_;
    QElapsedTimer passClock_;
    QPixmap textPixmap_; // the caption as drawn at the current size; null when stale
};

} // namespace zarava
