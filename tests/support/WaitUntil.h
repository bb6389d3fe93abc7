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
    bool met = false; // asked once a round: a condition may take what it finds (a process's end)
    while (!(met = condition()) && std::chrono::steady_clock::now() <= deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return met;
}

} // namespace zarava::test
