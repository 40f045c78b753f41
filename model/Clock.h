#pragma once
// The one source of time of the core. Protocol pauses and time-outs are given in
// protocol milliseconds; a test clock may run them faster than real time.

#include <chrono>
#include <cstdint>

namespace tallyvox {

// A date and a time of day as the exchange and the computer give them.
struct TCalendarTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;

    friend bool operator==(const TCalendarTime&, const TCalendarTime&) = default;
};

class TClock {
public:
    virtual ~TClock() = default;
    // Monotonic millisecond tick count in protocol time; wraps like a 32-bit counter.
    virtual std::uint32_t TickCount() = 0;
    // Pauses the calling thread for ms protocol milliseconds.
    virtual void Sleep(std::uint32_t ms) = 0;
    // How long a wait of ms protocol milliseconds lasts in real time (poll time-outs).
    virtual std::chrono::microseconds RealDuration(std::uint32_t ms) = 0;
    // The computer's local date and time.
    virtual TCalendarTime LocalNow() = 0;
};

// Real time: protocol milliseconds are real milliseconds.
class TSystemClock : public TClock {
public:
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t ms) override;
    std::chrono::microseconds RealDuration(std::uint32_t ms) override;
    TCalendarTime LocalNow() override;
};

// Protocol time running speedup times faster than real time, for tests; the
// local date and time stay those of the computer unless fixed with SetLocalNow.
class TScaledClock : public TClock {
public:
    explicit TScaledClock(double speedup);
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t ms) override;
    std::chrono::microseconds RealDuration(std::uint32_t ms) override;
    TCalendarTime LocalNow() override;
    void SetLocalNow(const TCalendarTime& now);

private:
    double Speedup;
    std::chrono::steady_clock::time_point Origin;
    bool LocalFixed = false;
    TCalendarTime FixedLocal;
};

} // namespace tallyvox
