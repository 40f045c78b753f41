#include "model/Clock.h"

#include <ctime>
#include <thread>

#include "model/LocalTime.h"

namespace tallyvox {
namespace {

std::chrono::steady_clock::time_point ProcessOrigin() {
    static const auto origin = std::chrono::steady_clock::now();
    return origin;
}

TCalendarTime ComputerLocalNow() {
    const std::tm local = LocalTimeOf(std::time(nullptr));
    TCalendarTime t;
    t.Year = local.tm_year + 1900;
    t.Month = local.tm_mon + 1;
    t.Day = local.tm_mday;
    t.Hour = local.tm_hour;
    t.Minute = local.tm_min;
    t.Second = local.tm_sec;
    return t;
}

} // namespace

std::uint32_t TSystemClock::TickCount() {
    const auto elapsed = std::chrono::steady_clock::now() - ProcessOrigin();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void TSystemClock::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::chrono::microseconds TSystemClock::RealDuration(std::uint32_t ms) {
    return std::chrono::milliseconds(ms);
}

TCalendarTime TSystemClock::LocalNow() {
    return ComputerLocalNow();
}

TScaledClock::TScaledClock(double speedup)
    : Speedup(speedup), Origin(std::chrono::steady_clock::now()) {}

std::uint32_t TScaledClock::TickCount() {
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - Origin;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(elapsed.count() * Speedup));
}

void TScaledClock::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(RealDuration(ms));
}

std::chrono::microseconds TScaledClock::RealDuration(std::uint32_t ms) {
    return std::chrono::microseconds(static_cast<std::int64_t>(ms * 1000.0 / Speedup));
}

TCalendarTime TScaledClock::LocalNow() {
    return LocalFixed ? FixedLocal : ComputerLocalNow();
}

void TScaledClock::SetLocalNow(const TCalendarTime& now) {
    FixedLocal = now;
    LocalFixed = true;
}

} // namespace tallyvox
