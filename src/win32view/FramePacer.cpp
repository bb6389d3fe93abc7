#include "win32view/FramePacer.h"

#include <dwmapi.h>

#include <algorithm>
#include <chrono>

namespace zarava {

namespace {

// Windows 10 1803 and later; older systems make a plain waitable timer instead.
constexpr DWORD kHighResolutionTimer = 0x2;

// A frame wait that returns sooner than this did not wait for a frame (no composition after
// all, or a system that only pretends): the timer takes over.
constexpr std::int64_t kShortestFlushUs = 2000;

HANDLE MakeTimer() {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    return timer != nullptr ? timer : CreateWaitableTimerW(nullptr, TRUE, nullptr);
}

std::int64_t SteadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

FramePacer::FramePacer(HWND window, UINT message)
    : window_(window), message_(message), timer_(MakeTimer()) {
    BOOL composed = FALSE;
    composition_ = SUCCEEDED(DwmIsCompositionEnabled(&composed)) && composed;
    thread_ = std::thread([this] { Loop(); });
}

FramePacer::~FramePacer() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
    CloseHandle(timer_);
}

std::int64_t FramePacer::NowUs() const {
    return SteadyUs();
}

void FramePacer::Run(double periodUs) {
    {
        std::lock_guard lock(mutex_);
        periodUs_ = periodUs;
        running_ = true;
    }
    posted_ = false;
    wake_.notify_one();
}

void FramePacer::Stop() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

bool FramePacer::WaitForComposition() {
    const std::int64_t before = SteadyUs();
    if (FAILED(DwmFlush())) {
        return false;
    }
    shortFlushes_ = SteadyUs() - before < kShortestFlushUs ? shortFlushes_ + 1 : 0;
    return shortFlushes_ < 3;
}

// Waits for the next multiple of the period; one that has passed already is skipped.
void FramePacer::WaitForTimer(std::int64_t& next) {
    double period;
    {
        std::lock_guard lock(mutex_);
        period = periodUs_;
    }
    const std::int64_t now = SteadyUs();
    const auto step = static_cast<std::int64_t>(period);
    next = next + step <= now ? now + step : next + step;
    LARGE_INTEGER due;
    due.QuadPart = -(next - now) * 10; // relative, in 100 ns units
    if (timer_ != nullptr && SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
        WaitForSingleObject(timer_, INFINITE);
    } else {
        Sleep(static_cast<DWORD>(std::max<std::int64_t>(1, (next - now) / 1000)));
    }
}

void FramePacer::Loop() {
    std::int64_t next = SteadyUs();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || running_; });
            if (ending_) {
                return;
            }
        }
        if (!composition_ || !WaitForComposition()) {
            composition_ = false;
            WaitForTimer(next);
        }
        if (!posted_.exchange(true)) {
            PostMessageW(window_, message_, 0, 0);
        }
    }
}

} // namespace zarava
