#pragma once

#include "ports/DisplayLayout.h"
#include "ports/Host.h"
#include "ports/TickerNotification.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

namespace zarava {

class TickerBand;
class WindowView;

// The frame on screen: the ticker band on top and the child windows tiled below it. It draws
// what the engine publishes and forwards the user's input; it decides nothing. GUI thread only.
class DisplayView : public QWidget {
    Q_OBJECT
public:
    explicit DisplayView(std::vector<Rect> monitors);
    ~DisplayView() override;

    void ApplyFrame(const FrameSnapshot& frame);
    void ApplyWindow(const WindowChanges& window);

    // The monitor the frame goes to (or is on), in screen pixels.
    QRect Monitor() const;

    // What the frame shows now, as the engine last handed it over.
    const FrameSnapshot& Frame() const { return frame_; }
    // The child windows in stacking order (the most recently shown first), each with its
    // cell in the frame: the window with its slim border, in frame pixels.
    struct ShownWindow {
        const WindowSnapshot* snapshot;
        QRect cell;
    };
    std::vector<ShownWindow> ShownWindows() const;

    // Input for the engine.
    std::function<void(TickerNotification)> onTickerNotification;
    std::function<void()> onCloseRequest;
    // A typed character and the window last clicked (0 before any click).
    std::function<void(int, char32_t)> onKeyPress;
    // Called once the start-up has finished and every window has been drawn.
    std::function<void()> onStartupDrawn;
    // While the band's text moves, called at each of its frames before it is painted; with
    // false once when it stops moving.
    std::function<void(bool moving)> onBandFrame;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Arrange();
    void PlaceOnMonitor();

    std::vector<Rect> monitors_;
    FrameSnapshot frame_;
    bool placed_ = false;
    bool drawnReported_ = false;
    bool closing_ = false;
    int activeWindow_ = 0;
    TickerBand* band_ = nullptr;
    QWidget* client_ = nullptr;
    std::map<int, WindowView*> windows_;
};

} // namespace zarava
