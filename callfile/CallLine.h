#pragma once
// The call line of the call-accounting file, in both directions: the writer's
// fixed columns and the reader's field rules. The report relies on both.

#include <optional>
#include <string>
#include <string_view>

#include "model/Record.h"

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

// The same fields as views into the parsed line, for readers that must not
// allocate per field. The two texts that lose their blanks are given as found.
struct TCallLineView {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int StartHour = 0;
    int StartMinute = 0;
    int StartSecond = 0;
    int DurationHours = 0;
    int DurationMinutes = 0;
    int DurationSeconds = 0;
    std::string_view HardwareLine;
    std::string_view ProgramNumberField; // between column 38 and the ")", blanks kept
    std::string_view Trunk;
    std::string_view DialledNumberField; // the rest of the line after the trunk, blanks kept
};

// True for the lines the report skips before parsing: empty, starting with a
// blank, or 46 characters long or shorter.
bool IsSkippedLine(std::string_view line);

// Parses one call line (no line end); nothing when a field does not convert,
// the date or time does not exist, or no ")" follows column 38.
// A line whose trunk place (three blanks and five columns after the ")") is
// blank has no trunk: what follows is the dialled number.
std::optional<TCallLineFields> ParseCallLine(std::string_view line);
// As ParseCallLine; the views point into line.
std::optional<TCallLineView> ParseCallLineView(std::string_view line);

// Appends text without its blanks.
void AppendWithoutBlanks(std::string_view text, std::string& out);

// The platform's text-to-integer conversion the file's numbers were always read
// with: leading blanks, an optional sign, an optional "$" or "0x" prefix, then
// digits to the very end; nothing for anything else or a value beyond int.
std::optional<int> TextToInteger(std::string_view text);

} // namespace tallyvox::callfile
