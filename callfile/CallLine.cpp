#include "callfile/CallLine.h"

#include "text/Format.h"

namespace tallyvox::callfile {

namespace {

constexpr std::size_t ProgramNumberWidth = 4;
constexpr std::size_t TrunkWidth = 5;
constexpr std::size_t DialledNumberWidth = 21;
constexpr const char* ColumnGap = "   ";
constexpr const char* TrunkGap = "     ";

// A group of fields with an implausible member is marked by writing both of its
// separators as "*"; the digits stay as decoded.
char Separator(bool anyInvalid, char plain) {
    return anyInvalid ? '*' : plain;
}

// Day, month and the start fields get their "0" by value (below 10), the duration
// fields by length (one character): the two rules part only for negative values,
// which the file has always shown this way.
std::string ZeroBelowTen(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string DateText(const TRecord& record) {
    const char separator =
        Separator(record.YearInvalid || record.MonthInvalid || record.DayInvalid, '-');
    return ZeroBelowTen(record.Day) + separator + ZeroBelowTen(record.Month) + separator +
           std::to_string(record.Year);
}

std::string StartText(const TRecord& record) {
    const char separator = Separator(
        record.StartHourInvalid || record.StartMinuteInvalid || record.StartSecondInvalid, ':');
    return ZeroBelowTen(record.StartHour) + separator + ZeroBelowTen(record.StartMinute) +
           separator + ZeroBelowTen(record.StartSecond);
}

std::string DurationText(const TRecord& record) {
    const char separator = Separator(record.DurationHoursInvalid || record.DurationMinutesInvalid ||
                                         record.DurationSecondsInvalid,
                                     ':');
    return text::TwoDigits(record.DurationHours) + separator +
           text::TwoDigits(record.DurationMinutes) + separator +
           text::TwoDigits(record.DurationSeconds);
}

// "-1" means the record carries no directory number: the brackets stay empty.
std::string ProgramNumberField(const std::string& programNumber) {
    if (programNumber == "-1") {
        return std::string(ProgramNumberWidth, ' ');
    }
    return text::PadLeft(programNumber, ProgramNumberWidth);
}

// An empty trunk keeps only four of the field's five columns.
std::string TrunkField(const std::string& trunk) {
    if (trunk.empty()) {
        return std::string(TrunkWidth - 1, ' ');
    }
    return text::PadLeft(trunk, TrunkWidth);
}

} // namespace

std::string FormatCallLine(const TRecord& record) {
    return DateText(record) + " " + StartText(record) + ColumnGap + DurationText(record) +
           ColumnGap + std::to_string(record.HardwareLine) + "(" +
           ProgramNumberField(record.ProgramNumber) + ")" + ColumnGap + TrunkField(record.Trunk) +
           TrunkGap + text::PadRight(record.DialledNumber, DialledNumberWidth);
}

} // namespace tallyvox::callfile
