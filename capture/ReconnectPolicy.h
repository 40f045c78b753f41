#pragma once
// When a program without a window tries to reach the exchange again after the
// line failed: soon after a short break, then less and less often, for ever, so
// that a cable pulled for the weekend costs neither the processor nor the log.

#include <chrono>

namespace tallyvox::capture {

class TReconnectPolicy {
public:
    using TMilliseconds = std::chrono::milliseconds;

    // The first wait is first; each further one doubles, up to longest.
    explicit TReconnectPolicy(TMilliseconds first = std::chrono::seconds(1),
                              TMilliseconds longest = std::chrono::seconds(60));

    // The wait before the next attempt; the one after it is doubled.
    TMilliseconds NextWait();
    // The exchange was reached: the next failure starts again from the first wait.
    void Reset();

    TMilliseconds First() const { return First_; }
    TMilliseconds Longest() const { return Longest_; }

private:
    TMilliseconds First_;
    TMilliseconds Longest_;
    TMilliseconds Next;
};

} // namespace tallyvox::capture
