#pragma once
// A calendar time from its six parts, largest first, each one named by its
// parameter where a brace list would leave the reader counting fields.

#include "model/Clock.h"

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
