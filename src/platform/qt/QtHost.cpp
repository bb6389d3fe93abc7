#include "platform/qt/QtHost.h"

#include "platform/SingleInstance.h"
#include "platform/qt/DisplayView.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace zarava {

std::vector<Rect> QtHost::ScreensLeftToRight() {
    std::vector<Rect> result;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        result.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    // A screen that wholly contains another is the whole desktop seen as one (an output split
    // into monitors still reports itself): the monitors are the parts.
    const auto contains = [](const Rect& outer, const Rect& inner) {
        return !(outer == inner) && outer.left <= inner.left && outer.top <= inner.top &&
               outer.Right() >= inner.Right() && outer.Bottom() >= inner.Bottom();
    };
    const std::vector<Rect> all = result;
    std::erase_if(result, [&](const Rect& r) {
        return std::any_of(all.begin(), all.end(), [&](const Rect& o) { return contains(r, o); });
    });
    std::stable_sort(result.begin(), result.end(), [](const Rect& a, const Rect& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    return result;
}

QtHost::QtHost(DisplayView& view, const SingleInstance& instance)
    : view_(&view), instance_(instance), monitors_(ScreensLeftToRight()) {}

bool QtHost::AnotherCopyRunning() {
    return instance_.AnotherCopyRunning();
}

void QtHost::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    QMetaObject::invokeMethod(
        view_.data(),
        [text, title, icon] {
            QMessageBox box(
                icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
                QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok);
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
            box.exec();
        },
        Qt::BlockingQueuedConnection);
}

void QtHost::MoveCursor(int x, int y) {
    QMetaObject::invokeMethod(
        view_.data(), [x, y] { QCursor::setPos(x, y); }, Qt::QueuedConnection);
}

void QtHost::PublishFrame(const FrameSnapshot& frame) {
    QMetaObject::invokeMethod(
        view_.data(),
        [view = view_, frame] {
            if (view) {
                view->ApplyFrame(frame);
            }
        },
        Qt::QueuedConnection);
}

void QtHost::PublishWindow(const WindowSnapshot& window) {
    QMetaObject::invokeMethod(
        view_.data(),
        [view = view_, window] {
            if (view) {
                view->ApplyWindow(window);
            }
        },
        Qt::QueuedConnection);
}

void QtHost::EndProcess(int exitCode) {
    QMetaObject::invokeMethod(
        view_.data(), [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

} // namespace zarava
