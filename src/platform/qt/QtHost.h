#pragma once

#include "platform/Host.h"

#include <QPointer>

namespace zarava {

class DisplayView;
class SingleInstance;

// The window-system services for the engine thread. Every call that touches the screen is
// handed to the GUI thread as a queued call, in order; only the message box waits for its
// answer, as a modal box does.
class QtHost final : public Host {
public:
    // Made on the GUI thread, before the engine starts.
    QtHost(DisplayView& view, const SingleInstance& instance);

    std::vector<Rect> Monitors() override { return monitors_; }
    bool AnotherCopyRunning() override;
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    void MoveCursor(int x, int y) override;
    void PublishFrame(const FrameSnapshot& frame) override;
    void PublishWindow(const WindowSnapshot& window) override;
    void EndProcess(int exitCode) override;

    // The screens' geometries, ordered from left to right (GUI thread).
    static std::vector<Rect> ScreensLeftToRight();

private:
    QPointer<DisplayView> view_;
    const SingleInstance& instance_;
    std::vector<Rect> monitors_;
};

} // namespace zarava
