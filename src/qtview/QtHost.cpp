#include "qtview/QtHost.h"

#include "files/SingleInstance.h"
#include "ports/Monitors.h"
#include "qtview/DisplayView.h"
#include "qtview/MessageDialog.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <future>

namespace zarava {

std::vector<Rect> QtHost::ScreensLeftToRight() {
    std::vector<Rect> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    return MonitorsLeftToRight(screens);
}

QtHost::QtHost(DisplayView& view, const SingleInstance& instance)
    : view_(&view), instance_(instance), monitors_(ScreensLeftToRight()) {
    view.onBandFrame = [this](bool moving) {
        {
            std::lock_guard lock(mutex_);
            frameDriven_ = moving;
        }
        Deliver();
    };
}

QtHost::~QtHost() {
    if (view_) {
        view_->onBandFrame = {};
    }
}

// While the band moves, the GUI thread wakes for each of its frames; what the engine hands over
// meanwhile is taken at the next frame and painted with it, instead of waking the GUI thread
// once more and flushing the screen apart from the band.
void QtHost::Send(std::function<void(DisplayView&)> work) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        mailbox_.push_back(std::move(work));
        wake = !frameDriven_;
    }
    if (wake) {
        wake_.Wake();
    }
}

// In order, whatever arrives while it runs included. A message box's event loop inside one of
// the calls does not deliver what comes meanwhile: that waits its turn.
void QtHost::Deliver() {
    if (delivering_) {
        return;
    }
    delivering_ = true;
    for (;;) {
        std::deque<std::function<void(DisplayView&)>> arrived;
        {
            std::lock_guard lock(mutex_);
            arrived.swap(mailbox_);
        }
        if (arrived.empty()) {
            break;
        }
        for (auto& work : arrived) {
            if (view_) {
                work(*view_);
            }
        }
    }
    delivering_ = false;
}

bool QtHost::AnotherCopyRunning() {
    return instance_.AnotherCopyRunning();
}

void QtHost::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    std::promise<void> closed;
    Send([&](DisplayView& view) {
        if (stopping_) {
            closed.set_value();
            return;
        }
        // On the display's own monitor, not astride two of them.
        MessageDialog box(QString::fromStdString(text), QString::fromStdString(title), icon,
                          view.Monitor());
        box.exec();
        closed.set_value();
    });
    closed.get_future().wait();
}

void QtHost::MoveCursor(int x, int y) {
    Send([x, y](DisplayView&) { QCursor::setPos(x, y); });
}

void QtHost::PublishFrame(const FrameSnapshot& frame) {
    Send([frame](DisplayView& view) { view.ApplyFrame(frame); });
}

void QtHost::PublishWindow(const WindowChanges& changes) {
    Send([changes](DisplayView& view) { view.ApplyWindow(changes); });
}

void QtHost::EndProcess(int exitCode) {
    Send([exitCode](DisplayView&) { QCoreApplication::exit(exitCode); });
}

} // namespace zarava
