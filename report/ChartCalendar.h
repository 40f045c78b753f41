#pragma once
// Day and hour numbers of date-times, for the charts' per-day and per-hour
// figures: consecutive days and hours get consecutive numbers.

#include <cstdint>

#include "report/Period.h"

namespace tallyvox::report {

inline constexpr std::int64_t SecondsPerDay = 86400;

// Days since 1 January 1970.
inline std::int64_t DayNumber(const TDateTime& dateTime) {
    const std::int64_t seconds = SecondsOf(dateTime);
    return (seconds >= 0 ? seconds : seconds - (SecondsPerDay - 1)) / SecondsPerDay;
}
// The date of a day number, at 00:00:00.
inline TDateTime DateOfDay(std::int64_t day) {
    return DateTimeOf(day * SecondsPerDay);
}
// Hours since 1 January 1970, 00:00, of the clock hour that holds dateTime.
inline std::int64_t HourNumber(const TDateTime& dateTime) {
    return DayNumber(dateTime) * 24 + dateTime.Hour;
}

} // namespace tallyvox::report
