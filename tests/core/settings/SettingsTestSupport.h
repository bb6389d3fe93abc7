#pragma once

#include "TempFolder.h"

#include "platform/VirtualTime.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

namespace zarava::testing {

using TempFolder = test::TempFolder;

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The file's bytes; nothing when it cannot be opened.
inline std::optional<std::string> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::optional(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

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

} // namespace zarava::testing
