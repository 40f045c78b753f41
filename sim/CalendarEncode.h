#pragma once
// From a calendar date to the exchange's day count: the inverse of the host's
// calendar rule (days since 1 January 1980, every fourth year from 1980 leap).

#include <cstdint>
#include <optional>

#include "model/Clock.h"

namespace tallyvox::sim {

// Days since 1 January 1980 of a date, or nothing for a date before 1980, an
// impossible date or one past the 16-bit day count.
std::optional<std::uint16_t> DaysSince1980(int year, int month, int day);

// The exchange's day count and tick count of a local date and time.
struct TExchangeTime {
    std::uint16_t Days = 0;
    std::uint16_t Ticks = 0;
};
// Nothing for a date DaysSince1980 refuses, a time of day that does not exist, a
// tick length that is not positive or a tick count past 16 bits; the seconds
// below one tick are dropped.
std::optional<TExchangeTime> ToExchangeTime(const TCalendarTime& time, int secondsPerTick);

// Seconds since 1 January 1980 of a date and time, and back (the exchange's
// calendar agrees with the civil one from 1980 to 2099), for date arithmetic.
std::int64_t CalendarToSeconds(const TCalendarTime& time);
TCalendarTime SecondsToCalendar(std::int64_t seconds);

// The computer's local date and time.
TCalendarTime LocalNow();

} // namespace tallyvox::sim
