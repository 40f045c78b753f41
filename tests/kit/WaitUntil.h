#pragma once
// Waiting in a test for something that happens on another thread or process:
// polls the condition until it holds or the deadline passes, so a fast machine
// does not wait for nothing and a slow one is not failed by a fixed sleep.

#include <chrono>
#include <thread>

namespace tallyvox::testkit {

// True as soon as condition() holds; false when it still does not at the deadline.
template <typename Condition>
bool WaitUntil(Condition condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace tallyvox::testkit
