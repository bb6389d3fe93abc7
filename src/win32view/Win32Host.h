#pragma once

#include "ports/Host.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace zarava {

class FrameWindow;

// The monitors of the desktop from left to right (GUI thread). One whose information cannot be
// read is reported in a message box with the system's error code and left out.
std::vector<Rect> DesktopMonitors();

// Whether another copy of the display runs in this user's session: every copy holds a named
// mutex for its life, as Windows programs do; the system drops it with a process that ends,
// crashed or not.
class SingleCopy {
public:
    SingleCopy();
    ~SingleCopy();
    SingleCopy(const SingleCopy&) = delete;
    SingleCopy& operator=(const SingleCopy&) = delete;

    bool AnotherCopyRunning() const { return another_; }

private:
    HANDLE mutex_;
    bool another_;
};

// The window-system services for the engine thread. Every call that touches the screen goes to
// the GUI thread through one mailbox, in order, woken by a message to a window of its own (so
// it also arrives while a message box runs its own loop); only the message box waits for its
// answer, as a modal box does.
class Win32Host final : public Host {
public:
    // Made on the GUI thread, before the engine starts.
    Win32Host(FrameWindow& frame, std::vector<Rect> monitors);
    ~Win32Host() override;

    std::vector<Rect> Monitors() override { return monitors_; }
    bool AnotherCopyRunning() override { return copy_.AnotherCopyRunning(); }
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    void MoveCursor(int x, int y) override;
    void PublishFrame(const FrameSnapshot& frame) override;
    void PublishWindow(const WindowChanges& changes) override;
    void EndProcess(int exitCode) override;

    // Runs work on the GUI thread after everything handed over so far (any thread).
    void RunOnGui(std::function<void()> work);
    // From now on message boxes are not shown: nobody is there to answer them (GUI thread).
    void SetStopping() { stopping_ = true; }

    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);

private:
    void Deliver();

    FrameWindow& frame_;
    const std::vector<Rect> monitors_;
    SingleCopy copy_;
    bool stopping_ = false; // GUI thread only
    HWND mailboxWindow_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> mailbox_; // guarded by mutex_
    bool wakePosted_ = false;                   // guarded by mutex_
};

} // namespace zarava
