#include "qtview/DisplayView.h"

#include "ports/DisplayLayout.h"
#include "qtview/Colours.h"
#include "qtview/TickerBand.h"
#include "qtview/WindowView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

namespace zarava {

DisplayView::DisplayView(std::vector<Rect> monitors) : monitors_(std::move(monitors)) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(kWindowBackground));
    setPalette(p);
    // A kiosk: the pointer is hidden while it rests over the display.
    setCursor(Qt::BlankCursor);
    // Keys come to the frame whatever was clicked: the windows inside it take no focus.
    setFocusPolicy(Qt::StrongFocus);
    band_ = new TickerBand(this);
    client_ = new QWidget(this);
    // The client area shows only in the gaps between the child windows: their borders.
    client_->setAutoFillBackground(true);
    QPalette border = client_->palette();
    border.setColor(QPalette::Window, QColor(0x70, 0x70, 0x70));
    client_->setPalette(border);
    connect(band_, &TickerBand::notification, this, [this](TickerNotification what) {
        if (onTickerNotification) {
            onTickerNotification(what);
        }
    });
    connect(band_, &TickerBand::frameBegins, this, [this] {
        if (onBandFrame) {
            onBandFrame(true);
        }
    });
    connect(band_, &TickerBand::framesStopped, this, [this] {
        if (onBandFrame) {
            onBandFrame(false);
        }
    });
}

DisplayView::~DisplayView() = default;

QRect DisplayView::Monitor() const {
    if (monitors_.empty()) {
        return {};
    }
    const Rect m = monitors_[static_cast<std::size_t>(
        std::clamp<int>(frame_.monitor, 0, static_cast<int>(monitors_.size()) - 1))];
    return {m.left, m.top, m.width, m.height};
}

void DisplayView::PlaceOnMonitor() {
    if (monitors_.empty()) {
        showMaximized();
        return;
    }
    const QRect m = Monitor();
    Qt::WindowFlags flags = Qt::Window;
    if (!frame_.titleBar) {
        flags |= Qt::FramelessWindowHint;
    }
    if (frame_.topMost) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    setWindowFlags(flags);
    setGeometry(m);
    showMaximized();
}

void DisplayView::ApplyFrame(const FrameSnapshot& frame) {
    const FrameSnapshot old = frame_;
    frame_ = frame;
    if (frame.closed) {
        closing_ = true;
        hide();
        return;
    }
    setWindowTitle(QString::fromStdString(frame.caption));
    if (frame.shown && (!placed_ || old.monitor != frame.monitor ||
                        old.titleBar != frame.titleBar || old.topMost != frame.topMost)) {
        placed_ = true;
        PlaceOnMonitor();
    }
    // The frame comes with every step of the blink phase; the band changes only when its own
    // values do. A start always sets the text first, even the same or an empty one.
    if (frame.tickerCaption != old.tickerCaption || frame.tickerPass != old.tickerPass) {
        band_->setCaption(QString::fromStdString(frame.tickerCaption));
    }
    if (frame.tickerRepeat != old.tickerRepeat) {
        band_->setRepeat(frame.tickerRepeat);
    }
    if (frame.tickerPass != old.tickerPass) {
        band_->startAction();
    }
    Arrange();
    if (frame.startupDone && !drawnReported_) {
        drawnReported_ = true;
        // Every window's state arrived before this frame state; once the events queued so
        // far have run, everything is laid out and a grab draws it all.
        QTimer::singleShot(0, this, [this] {
            if (onStartupDrawn) {
                onStartupDrawn();
            }
        });
    }
}

void DisplayView::ApplyWindow(const WindowChanges& window) {
    auto it = windows_.find(window.windowId);
    if (window.closed) {
        if (it != windows_.end()) {
            delete it->second;
            windows_.erase(it);
        }
        return;
    }
    if (it == windows_.end()) {
        auto* view = new WindowView(client_);
        const int id = window.windowId;
        connect(view, &WindowView::clicked, this, [this, id] { activeWindow_ = id; });
        it = windows_.emplace(window.windowId, view).first;
    }
    it->second->applyChanges(window);
    it->second->setVisible(true);
}

void DisplayView::Arrange() {
    const int bandHeight = BandHeight(height());
    band_->setGeometry(0, 0, width(), bandHeight);
    client_->setGeometry(0, bandHeight, width(), std::max(0, height() - bandHeight));
    if (frame_.arrangement != Arrangement::TileVertical) {
        return;
    }
    std::vector<WindowView*> order;
    for (int id : frame_.children) {
        if (auto it = windows_.find(id); it != windows_.end()) {
            order.push_back(it->second);
        }
    }
    const auto cells = ChildCells(width(), height(), static_cast<int>(order.size()));
    for (std::size_t i = 0; i < order.size() && i < cells.size(); ++i) {
        const Rect c = ChildClient(cells[i]);
        order[i]->setGeometry(c.left, c.top - bandHeight, c.width, c.height);
    }
}

std::vector<DisplayView::ShownWindow> DisplayView::ShownWindows() const {
    std::vector<ShownWindow> shown;
    for (int id : frame_.children) {
        if (auto it = windows_.find(id); it != windows_.end()) {
            const QRect inFrame(it->second->mapTo(this, QPoint(0, 0)), it->second->size());
            shown.push_back(
                {&it->second->snapshot(),
                 inFrame.adjusted(-kChildBorder, -kChildBorder, kChildBorder, kChildBorder)});
        }
    }
    return shown;
}

void DisplayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

void DisplayView::keyPressEvent(QKeyEvent* event) {
    // A barcode reader types its code as characters; each one goes to the engine in order.
    if (onKeyPress) {
        for (const char32_t c : event->text().toUcs4()) {
            onKeyPress(activeWindow_, c);
        }
    }
    event->accept();
}

void DisplayView::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The engine decides: it closes the room windows, clears the running mark, then ends.
    event->ignore();
    if (onCloseRequest) {
        onCloseRequest();
    }
}

} // namespace zarava
