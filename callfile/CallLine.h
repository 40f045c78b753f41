#pragma once
// The call line of the call-accounting file, in both directions: the writer's
// fixed columns and the reader's field rules. The report relies on both.

#include <optional>
#include <string>
#include <string_view>

#include "exchange/Record.h"

namespace tallyvox::callfile {

// The fixed-column text of one call (Windows-1251, no line end).
std::string FormatCallLine(const TRecord& record);

// The fields of a call line as the report reads them.
struct TCallLineFields {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int StartHour = 0;
    int StartMinute = 0;
    int StartSecond = 0;
    int DurationHours = 0;
    int DurationMinutes = 0;
    int DurationSeconds = 0;
    std::string HardwareLine; // columns 34-36 exactly, blanks kept
    std::string ProgramNumber;
    std::string Trunk;
    std::string DialledNumber;

    friend bool operator==(const TCallLineFields&, const TCallLineFields&) = default;
};

// True for the lines the report skips before parsing: empty, starting with a
// blank, or 46 characters long or shorter.
bool IsSkippedLine(std::string_view line);

// Parses one call line (no line end); nothing when a field does not convert,
// the date or time does not exist, or no ")" follows column 38.
std::optional<TCallLineFields> ParseCallLine(std::string_view line);

} // namespace tallyvox::callfile
