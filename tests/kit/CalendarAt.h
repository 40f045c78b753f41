#pragma once
// A calendar time written in reading order: TCalendarTime's own fields run
// second, minute, hour after the date, which a brace list makes easy to misread.

#include "exchange/Clock.h"

namespace tallyvox::testkit {

inline TCalendarTime At(int year, int month, int day, int hour, int minute, int second) {
    TCalendarTime time;
    time.Year = year;
    time.Month = month;
    time.Day = day;
    time.Hour = hour;
    time.Minute = minute;
    time.Second = second;
    return time;
}

} // namespace tallyvox::testkit
