#pragma once

#include "TempFolder.h"

#include "platform/VirtualTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace zarava::testing {

using TempFolder = test::TempFolder;

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes; nothing when it cannot be opened.
inline std::optional<std::string> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Virtual time with a hook that runs when the code under test pauses, so a test can change the
// file between the first attempt and the retry.
class PausingClock final : public Clock {
public:
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
