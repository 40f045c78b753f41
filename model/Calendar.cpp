#include "model/Calendar.h"

#include <array>

namespace tallyvox {

namespace {

constexpr std::uint32_t SecondsPerDay = 86400;
constexpr std::uint32_t DaysPerLeapCycle = 1461; // four years, the first of them a leap year
constexpr std::uint32_t DaysPerLeapYear = 366;
constexpr std::uint32_t DaysPerCommonYear = 365;
constexpr int FirstYear = 1980;

struct TYearAndDay {
    int Year = 0;
    std::uint32_t DayOfYear = 0; // 0-based
    bool Leap = false;
};

// The exchange treats every fourth year from 1980 as a leap year, without the
// century exceptions; its clock is read that way.
TYearAndDay SplitDays(std::uint32_t days) {
    TYearAndDay result;
    result.DayOfYear = days % DaysPerLeapCycle;
    result.Year = FirstYear + static_cast<int>(4 * (days / DaysPerLeapCycle));
    result.Leap = true;
    if (result.DayOfYear >= DaysPerLeapYear) {
        const std::uint32_t afterLeapYear = result.DayOfYear - DaysPerLeapYear;
        result.Year += static_cast<int>(afterLeapYear / DaysPerCommonYear) + 1;
        result.DayOfYear = afterLeapYear % DaysPerCommonYear;
        result.Leap = false;
    }
    return result;
}

void SetMonthAndDay(TCalendarTime& time, std::uint32_t dayOfYear, bool leap) {
    std::array<std::uint32_t, 12> monthLengths{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (leap) {
        monthLengths[1] = 29;
    }
    int month = 0;
    while (month < 11 && monthLengths[month] <= dayOfYear) {
        dayOfYear -= monthLengths[month];
        ++month;
    }
    time.Month = month + 1;
    time.Day = static_cast<int>(dayOfYear) + 1;
}

} // namespace

TCalendarTime ExchangeTimeToCalendar(std::uint32_t seconds) {
    TCalendarTime time;
    const std::uint32_t secondOfDay = seconds % SecondsPerDay;
    time.Second = static_cast<int>(secondOfDay % 60);
    time.Minute = static_cast<int>((secondOfDay / 60) % 60);
    time.Hour = static_cast<int>(secondOfDay / 3600);

    const TYearAndDay yearAndDay = SplitDays(seconds / SecondsPerDay);
    time.Year = yearAndDay.Year;
    SetMonthAndDay(time, yearAndDay.DayOfYear, yearAndDay.Leap);
    return time;
}

std::uint32_t ExchangeSeconds(std::uint16_t days, std::uint16_t ticks, int timeUnit) {
    return std::uint32_t{days} * SecondsPerDay +
           std::uint32_t{ticks} * static_cast<std::uint32_t>(timeUnit);
}

} // namespace tallyvox
