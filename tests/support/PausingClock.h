#pragma once

#include "engine/VirtualTime.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace zarava::test {

// Virtual time that runs a hook whenever the code under test pauses, so a test can look at or
// change the files between the first attempt and the retry.
class PausingClock final : public Clock {
public:
    explicit PausingClock(LocalDateTime start = {2024, 1, 8, 9, 0, 0, 0}) : time_(start) {}
    std::function<void()> onSleep;

    LocalDateTime Now() const override { return time_.Now(); }
    void Sleep(int milliseconds) override {
        if (onSleep) {
            onSleep();
        }
        time_.Sleep(milliseconds);
    }
    std::int64_t Slept() const { return time_.Slept(); }

private:
    VirtualTime time_;
};

} // namespace zarava::test
