#include "qtview/FrameClock.h"

#include <algorithm>

namespace zarava {

SteadyFrameClock::SteadyFrameClock() {
    elapsed_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (wake_) {
            // The call may arm the next one; it must not lose its own function meanwhile.
            const std::function<void()> wake = std::move(wake_);
            wake_ = {};
            wake();
        }
    });
}

void SteadyFrameClock::WakeAt(std::int64_t us, std::function<void()> wake) {
    wake_ = std::move(wake);
    // Whole milliseconds, rounded up: a timer never fires before its time, so neither does the
    // call, and the frame it asks for has begun when it comes.
    const std::int64_t ms = std::max<std::int64_t>(0, (us - NowUs() + 999) / 1000);
    timer_.start(static_cast<int>(std::min<std::int64_t>(ms, 1 << 30)));
}

} // namespace zarava
