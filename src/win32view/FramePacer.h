#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace zarava {

// The band's time: a steady clock, and a frame signal at every refresh of the display while a
// pass runs. Passed in, so that tests drive a pass frame by frame.
class FrameTicks {
public:
    virtual ~FrameTicks() = default;

    // Microseconds on a steady clock.
    virtual std::int64_t NowUs() const = 0;
    // From now on the band hears of every frame, about `periodUs` apart, until Stop.
    virtual void Run(double periodUs) = 0;
    virtual void Stop() = 0;
    // The band has drawn the frame it heard of; the next one may be sent.
    virtual void FrameDrawn() = 0;
};

// Frames for a window, posted to it as a message from a thread of its own: at the display's
// refresh where the system composes the desktop and offers its frame wait (DwmFlush), else by
// a high-resolution waitable timer at the period asked for. At most one frame message waits in
// the window's queue, so a busy window skips frames instead of piling them up.
class FramePacer final : public FrameTicks {
public:
    FramePacer(HWND window, UINT message);
    ~FramePacer() override;

    std::int64_t NowUs() const override;
    void Run(double periodUs) override;
    void Stop() override;
    void FrameDrawn() override { posted_ = false; }

private:
    void Loop();
    bool WaitForComposition();
    void WaitForTimer(std::int64_t& next);

    const HWND window_;
    const UINT message_;
    HANDLE timer_;
    bool composition_ = false;
    int shortFlushes_ = 0;
    std::atomic<bool> posted_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    double periodUs_ = 1e6 / 60; // guarded by mutex_
    bool running_ = false;       // guarded by mutex_
    bool ending_ = false;        // guarded by mutex_
    std::thread thread_;
};

} // namespace zarava
