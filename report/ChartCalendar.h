#pragma once
// Day and hour numbers of date-times, for the charts' per-day and per-hour
// figures: consecutive days and hours get consecutive numbers.

#include <cstdint>

#include "report/Types.h"

namespace tallyvox::report {

// Days since 1 January 1970 (proleptic Gregorian calendar).
std::int64_t DayNumber(const TDateTime& dateTime);
// The date of a day number, at 00:00:00.
TDateTime DateOfDay(std::int64_t day);
// Hours since 1 January 1970, 00:00, of the clock hour that holds dateTime.
inline std::int64_t HourNumber(const TDateTime& dateTime) {
    return DayNumber(dateTime) * 24 + dateTime.Hour;
}
// Seconds since 1 January 1970.
inline std::int64_t SecondNumber(const TDateTime& dateTime) {
    return HourNumber(dateTime) * 3600 + dateTime.Minute * 60 + dateTime.Second;
}

} // namespace tallyvox::report
