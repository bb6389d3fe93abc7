#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace zarava::test {

// Polls until the condition holds; false when it still does not after the time. For tests
// that wait on other processes or threads, which take their time.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace zarava::test
