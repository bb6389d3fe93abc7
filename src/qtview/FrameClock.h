#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace zarava {

// The ticker band's time: a steady clock and one wake-up call at a moment of it. Passed in, so
// that tests drive a pass frame by frame without the wall clock.
class FrameClock {
public:
    virtual ~FrameClock() = default;

    // Microseconds on a steady clock.
    virtual std::int64_t NowUs() const = 0;

    // Calls `wake` once, at the moment or as soon after it as the system allows; replaces a
    // call not yet made.
    virtual void WakeAt(std::int64_t us, std::function<void()> wake) = 0;

    // Drops the call not yet made.
    virtual void CancelWake() = 0;
};

// The monotonic clock, and a precise timer of the GUI thread for the wake-ups.
class SteadyFrameClock final : public FrameClock {
public:
    SteadyFrameClock();

    std::int64_t NowUs() const override { return elapsed_.nsecsElapsed() / 1000; }
    void WakeAt(std::int64_t us, std::function<void()> wake) override;
    void CancelWake() override { timer_.stop(); }

private:
    QElapsedTimer elapsed_;
    QTimer timer_;
    std::function<void()> wake_;
};

} // namespace zarava
