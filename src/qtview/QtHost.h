#pragma once

#include "ports/Host.h"
#include "qtview/ThreadWakeup.h"

#include <QPointer>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace zarava {

class DisplayView;
class SingleInstance;

// The window-system services for the engine thread. Every call that touches the screen goes
// to the GUI thread through one mailbox, in order, taken at the band's next frame while the
// band moves; only the message box waits for its answer, as a modal box does. The mailbox is ours
// (a mutex, and a ThreadWakeup for the GUI's event loop), so no object made on one thread is freed
// on the other behind the thread checker's back.
class QtHost final : public Host {
public:
    // Made on the GUI thread, before the engine starts.
    QtHost(DisplayView& view, const SingleInstance& instance);
    ~QtHost() override;

    std::vector<Rect> Monitors() override { return monitors_; }
    bool AnotherCopyRunning() override;
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    void MoveCursor(int x, int y) override;
    void PublishFrame(const FrameSnapshot& frame) override;
    void PublishWindow(const WindowChanges& changes) override;
    void EndProcess(int exitCode) override;

    // Runs work on the GUI thread after everything handed over so far (engine thread).
    void RunOnGui(std::function<void()> work) {
        Send([work = std::move(work)](DisplayView&) { work(); });
    }

    // From now on message boxes are not shown: nobody is there to answer them (GUI thread).
    void SetStopping() { stopping_ = true; }

    // The screens' geometries, ordered from left to right (GUI thread).
    static std::vector<Rect> ScreensLeftToRight();

private:
    // Queues work for the GUI thread (engine thread).
    void Send(std::function<void(DisplayView&)> work);
    // Runs what has arrived (GUI thread).
    void Deliver();

    QPointer<DisplayView> view_;
    const SingleInstance& instance_;
    std::vector<Rect> monitors_;
    bool stopping_ = false;   // GUI thread only
    bool delivering_ = false; // GUI thread only
    ThreadWakeup wake_{[this] { Deliver(); }};
    std::mutex mutex_;
    std::deque<std::function<void(DisplayView&)>> mailbox_; // guarded by mutex_
    bool frameDriven_ = false; // the band's frames take the mail; guarded by mutex_
};

} // namespace zarava
