#pragma once
// The call that the call-line tests and the record handler tests start from.

#include "model/Record.h"

namespace tallyvox::callfile {

// 7 May 2004 12:34:56, 1 min 5 s, hardware line 201, program number 112, trunk
// (2)05, dialled 123456; every field plausible.
inline TRecord ExampleRecord() {
    TRecord record;
    record.Year = 2004;
    record.Month = 5;
    record.Day = 7;
    record.StartHour = 12;
    record.StartMinute = 34;
    record.StartSecond = 56;
    record.DurationMinutes = 1;
    record.DurationSeconds = 5;
    record.HardwareLine = 201;
    record.ProgramNumber = "112";
    record.Trunk = "(2)05";
    record.DialledNumber = "123456";
    return record;
}

} // namespace tallyvox::callfile
