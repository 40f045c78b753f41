#pragma once
// Call lines as the capture side writes them, for the report tests.

#include <string>

#include "callfile/CallLine.h"
#include "report/Load.h"
#include "tests/callfile/ExampleRecord.h"

namespace tallyvox::report {

// The example call (7 May 2004 12:34:56, line 201, program 112, trunk (2)05,
// 123456) with another line, program number, trunk, number and duration.
inline std::string CallLine(int hardwareLine, const std::string& program, const std::string& trunk,
                            const std::string& dialled, int hours, int minutes, int seconds) {
    TRecord record = callfile::ExampleRecord();
    record.HardwareLine = hardwareLine;
    record.ProgramNumber = program;
    record.Trunk = trunk;
    record.DialledNumber = dialled;
    record.DurationHours = hours;
    record.DurationMinutes = minutes;
    record.DurationSeconds = seconds;
    return callfile::FormatCallLine(record);
}

// A call list loaded from lines joined by CR LF.
inline TCallList Loaded(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return LoadCallText(text);
}

} // namespace tallyvox::report
