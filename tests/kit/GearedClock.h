#pragma once
// A test clock whose protocol time runs at real speed, so that no answer of a
// simulator slowed by a busy machine misses a time-out, and can be switched to
// run faster while a test waits for an answer that cannot come (silence). The
// tick count goes on from where it was at each change.

#include <cstdint>

#include "model/Clock.h"

namespace tallyvox::testkit {

class TGearedClock : public TScaledClock {
public:
    TGearedClock() : TScaledClock(1.0) {}
    // Only between uses, or from the thread that waits on this clock.
    void SetSpeedup(std::uint32_t speedup) {
        TicksAtChange = TickCount();
        RealAtChange = TScaledClock::TickCount();
        Speedup = speedup;
    }
    std::uint32_t TickCount() override {
        return TicksAtChange + (TScaledClock::TickCount() - RealAtChange) * Speedup;
    }
    std::chrono::microseconds RealDuration(std::uint32_t ms) override {
        return TScaledClock::RealDuration(ms) / Speedup;
    }

private:
    std::uint32_t Speedup = 1;
    std::uint32_t TicksAtChange = 0;
    std::uint32_t RealAtChange = 0;
};

} // namespace tallyvox::testkit
