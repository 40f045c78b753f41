#pragma once
// When an office makes its calls: most of them in office hours on working
// days, a few early, late or at night, few at weekends.

#include <cstdint>

namespace tallyvox::sim {

// Office hours are 08:00 to 19:00 (eleven hours) on Monday to Friday.
constexpr int OfficeHoursFrom = 8;
constexpr int OfficeHoursTo = 19;
// The share of a working day's calls made in office hours.
constexpr double OfficeHoursShare = 0.85;
// A weekend day has this share of a working day's calls.
constexpr double WeekendShare = 0.15;

// The call rate at a second (seconds since 1 January 1980) as a share of the
// rate of an office hour of a working day, the busiest there is: 0..1.
double CallRateShare(std::int64_t second);

} // namespace tallyvox::sim
