#include "store/StoredCall.h"

#include <algorithm>
#include <cstdint>

#include "callfile/CallLine.h"
#include "report/Period.h"
#include "text/Cp1251.h"

namespace tallyvox::store {

namespace {

// Lines shorter than this are dropped before anything else by the report.
constexpr std::size_t ShortestKeptLine = 30;
// 0-based places of the first separator of the date, start and duration groups.
constexpr std::size_t DateSeparator = 2;
constexpr std::size_t StartSeparator = 13;
constexpr std::size_t DurationSeparator = 24;

} // namespace

// Every byte converts to UTF-8; a text of the server holds no zero byte: one
// (only a damaged line has it) becomes "?"; the raw line keeps it.
std::string StoreText(std::string_view cp1251) {
    std::string text = text::Cp1251ToUtf8(cp1251);
    std::replace(text.begin(), text.end(), '\0', '?');
    return text;
}

std::optional<TStoredCall> StoredCallOf(std::string_view line) {
    if (line.size() < ShortestKeptLine || callfile::IsSkippedLine(line)) {
        return std::nullopt;
    }
    const std::optional<callfile::TCallLineView> fields = callfile::ParseCallLineView(line);
    if (!fields) {
        return std::nullopt;
    }
    TStoredCall call;
    call.Start = report::DateTimeText(
        {static_cast<std::uint16_t>(fields->Year), static_cast<std::uint8_t>(fields->Month),
         static_cast<std::uint8_t>(fields->Day), static_cast<std::uint8_t>(fields->StartHour),
         static_cast<std::uint8_t>(fields->StartMinute),
         static_cast<std::uint8_t>(fields->StartSecond)});
    call.DurationSeconds =
        fields->DurationHours * 3600 + fields->DurationMinutes * 60 + fields->DurationSeconds;
    call.HardwareLine = fields->HardwareLine;
    callfile::AppendWithoutBlanks(fields->ProgramNumberField, call.ProgramNumber);
    call.Trunk = fields->Trunk;
    callfile::AppendWithoutBlanks(fields->DialledNumberField, call.DialledNumber);
    for (std::string* text :
         {&call.HardwareLine, &call.ProgramNumber, &call.Trunk, &call.DialledNumber}) {
        *text = StoreText(*text);
    }
    call.DateSuspicious = line[DateSeparator] == '*';
    call.StartSuspicious = line[StartSeparator] == '*';
    call.DurationSuspicious = line[DurationSeparator] == '*';
    call.RawLine = line;
    return call;
}

} // namespace tallyvox::store
