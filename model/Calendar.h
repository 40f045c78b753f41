#pragma once
// The exchange's calendar: seconds since 1 January 1980, every fourth year from
// 1980 a leap year.

#include <cstdint>

#include "model/Clock.h"

namespace tallyvox {

// The date and time of a count of exchange seconds; every count has one.
TCalendarTime ExchangeTimeToCalendar(std::uint32_t seconds);

// days * 86400 + ticks * timeUnit in unsigned 32-bit arithmetic, as the exchange counts.
std::uint32_t ExchangeSeconds(std::uint16_t days, std::uint16_t ticks, int timeUnit);

} // namespace tallyvox
