#include "sim/OfficeHours.h"

namespace tallyvox::sim {

namespace {

constexpr std::int64_t SecondsPerDay = 86400;
constexpr int OfficeHours = OfficeHoursTo - OfficeHoursFrom;

// Weekday of a day count since 1 January 1980 (a Tuesday): 0 Sunday .. 6 Saturday.
int Weekday(std::int64_t dayCount) {
    return static_cast<int>((dayCount + 2) % 7);
}

} // namespace

double CallRateShare(std::int64_t second) {
    const std::int64_t day = second / SecondsPerDay;
    const int hour = static_cast<int>(second % SecondsPerDay / 3600);
    const bool office = hour >= OfficeHoursFrom && hour < OfficeHoursTo;
    // An hour's share of the day's calls, over an office hour's share.
    const double share =
        office ? 1.0
               : (1 - OfficeHoursShare) / (24 - OfficeHours) / (OfficeHoursShare / OfficeHours);
    const bool weekend = Weekday(day) == 0 || Weekday(day) == 6;
    return weekend ? share * WeekendShare : share;
}

} // namespace tallyvox::sim
