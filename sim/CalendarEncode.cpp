#include "sim/CalendarEncode.h"

#include <chrono>
#include <ctime>

namespace tallyvox::sim {
namespace {

constexpr int DaysInFourYears = 1461;

bool IsExchangeLeapYear(int year) {
    return (year - 1980) % 4 == 0;
}

int MonthLength(int year, int month) {
    constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsExchangeLeapYear(year) ? 29 : lengths[month - 1];
}

} // namespace

std::optional<std::uint16_t> DaysSince1980(int year, int month, int day) {
    if (year < 1980 || month < 1 || month > 12 || day < 1 || day > MonthLength(year, month)) {
        return std::nullopt;
    }
    const int cycles = (year - 1980) / 4;
    long days = static_cast<long>(cycles) * DaysInFourYears;
    for (int y = 1980 + cycles * 4; y < year; ++y) {
        days += IsExchangeLeapYear(y) ? 366 : 365;
    }
    for (int m = 1; m < month; ++m) {
        days += MonthLength(year, m);
    }
    days += day - 1;
    if (days > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(days);
}

std::optional<TExchangeTime> ToExchangeTime(const TCalendarTime& time, int secondsPerTick) {
    const auto days = DaysSince1980(time.Year, time.Month, time.Day);
    if (!days || secondsPerTick <= 0 || time.Hour < 0 || time.Hour > 23 || time.Minute < 0 ||
        time.Minute > 59 || time.Second < 0 || time.Second > 59) {
        return std::nullopt;
    }
    const int seconds = time.Hour * 3600 + time.Minute * 60 + time.Second;
    const int ticks = seconds / secondsPerTick;
    if (ticks > 0xFFFF) {
        return std::nullopt;
    }
    return TExchangeTime{*days, static_cast<std::uint16_t>(ticks)};
}

namespace {
constexpr std::chrono::sys_days Epoch1980{std::chrono::year{1980} / 1 / 1};
} // namespace

std::int64_t CalendarToSeconds(const TCalendarTime& time) {
    using namespace std::chrono;
    const sys_days date{year{time.Year} / month{static_cast<unsigned>(time.Month)} /
                        day{static_cast<unsigned>(time.Day)}};
    return (date - Epoch1980).count() * std::int64_t{86400} + time.Hour * 3600 + time.Minute * 60 +
           time.Second;
}

TCalendarTime SecondsToCalendar(std::int64_t seconds) {
    using namespace std::chrono;
    const std::int64_t dayCount = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t secondOfDay = seconds - dayCount * 86400;
    const year_month_day date{Epoch1980 + days{dayCount}};
    TCalendarTime time;
    time.Year = static_cast<int>(date.year());
    time.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    time.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    time.Hour = static_cast<int>(secondOfDay / 3600);
    time.Minute = static_cast<int>(secondOfDay / 60 % 60);
    time.Second = static_cast<int>(secondOfDay % 60);
    return time;
}

TCalendarTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return TCalendarTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace tallyvox::sim
