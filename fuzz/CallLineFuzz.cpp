// Two checks on every input: the bytes as a line of a call-accounting file must
// parse or be dropped without harm, and a record decoded from the same bytes must
// come back from its written line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "callfile/CallLine.h"
#include "fuzz/FuzzSupport.h"

using tallyvox::fuzz::Require;

namespace {

void CheckParsedLine(std::string_view line) {
    tallyvox::callfile::IsSkippedLine(line);
    const auto fields = tallyvox::callfile::ParseCallLine(line);
    if (!fields) {
        return;
    }
    Require(fields->Month >= 1 && fields->Month <= 12, "parsed month in range");
    Require(fields->Day >= 1 && fields->Day <= 31, "parsed day in range");
    Require(fields->DurationHours >= 0 && fields->DurationHours <= 23, "parsed duration");
    Require(fields->HardwareLine.size() == 3, "hardware line is three columns");
    Require(fields->ProgramNumber.find(' ') == std::string::npos &&
                fields->Trunk.find(' ') == std::string::npos &&
                fields->DialledNumber.find(' ') == std::string::npos,
            "no blanks inside the texts");
}

tallyvox::TRecord RecordFromBytes(const std::uint8_t* data, std::size_t size) {
    tallyvox::TRecord record = tallyvox::DecodeRecordPayload(
        data + 3, size - 3, tallyvox::fuzz::ContextFromBytes(data[0], data[1]));
    // Any flag may be set by the writer's caller; it only changes separators.
    const std::uint8_t flags = data[2];
    record.MonthInvalid = -(flags & 1);
    record.StartMinuteInvalid = -((flags >> 1) & 1);
    record.DurationSecondsInvalid = -((flags >> 2) & 1);
    return record;
}

void CheckRoundTrip(const tallyvox::TRecord& record) {
    const std::string line = tallyvox::callfile::FormatCallLine(record);
    Require(!tallyvox::callfile::IsSkippedLine(line), "a written line is never skipped");
    const auto fields = tallyvox::callfile::ParseCallLine(line);
    // The exchange counts 2100 as a leap year; the calendar the file is read with
    // does not, so that one day cannot come back.
    if (record.Year == 2100 && record.Month == 2 && record.Day == 29) {
        Require(!fields, "29 February 2100 is no date of the reader");
        return;
    }
    Require(fields.has_value(), "a written line parses back");
    Require(fields->Year == record.Year && fields->Month == record.Month &&
                fields->Day == record.Day && fields->StartHour == record.StartHour &&
                fields->StartMinute == record.StartMinute &&
                fields->StartSecond == record.StartSecond &&
                fields->DurationHours == record.DurationHours &&
                fields->DurationMinutes == record.DurationMinutes &&
                fields->DurationSeconds == record.DurationSeconds,
            "date, start and duration come back");
    // A trunk-less record reads back too: its blank trunk place means no trunk.
    if (record.HardwareLine < 100 || record.HardwareLine > 999) {
        return;
    }
    Require(fields->HardwareLine == std::to_string(record.HardwareLine), "hardware line");
    Require(fields->ProgramNumber == (record.ProgramNumber == "-1" ? "" : record.ProgramNumber),
            "program number");
    Require(fields->Trunk == record.Trunk, "trunk");
    Require(fields->DialledNumber == record.DialledNumber, "dialled number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckParsedLine(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size >= 3) {
        CheckRoundTrip(RecordFromBytes(data, size));
    }
    return 0;
}
