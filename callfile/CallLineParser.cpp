#include "callfile/CallLine.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace tallyvox::callfile {

namespace {

// 1-based columns of the fixed part of a call line, written for a three-digit
// hardware line.
struct TNumberField {
    std::size_t First;
    std::size_t Last;
    int TCallLineView::*Member;
};

constexpr std::array<TNumberField, 9> NumberFields{{
    {1, 2, &TCallLineView::Day},
    {4, 5, &TCallLineView::Month},
    {7, 10, &TCallLineView::Year},
    {12, 13, &TCallLineView::StartHour},
    {15, 16, &TCallLineView::StartMinute},
    {18, 19, &TCallLineView::StartSecond},
    {23, 24, &TCallLineView::DurationHours},
    {26, 27, &TCallLineView::DurationMinutes},
    {29, 30, &TCallLineView::DurationSeconds},
}};
constexpr std::size_t HardwareLineFirst = 34;
constexpr std::size_t HardwareLineWidth = 3;
constexpr std::size_t ProgramNumberFirst = 38;
constexpr std::size_t LongestSkippedLine = 46;

std::string_view Columns(std::string_view line, std::size_t first, std::size_t last) {
    return line.substr(first - 1, last - first + 1);
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return std::numeric_limits<int>::max();
}

// Reads a "$" or "0x" prefix; the base of the digits that follow.
int ConsumeBasePrefix(std::string_view& text) {
    if (text.substr(0, 1) == "$") {
        text.remove_prefix(1);
        return 16;
    }
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
        text.remove_prefix(2);
        return 16;
    }
    return 10;
}

} // namespace

std::optional<int> TextToInteger(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    const int base = ConsumeBasePrefix(text);
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        const int digit = DigitValue(c);
        if (digit >= base) {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > std::int64_t{std::numeric_limits<int>::max()} + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> Days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : Days[static_cast<std::size_t>(month - 1)];
}

bool IsDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool IsTimeOfDay(int hours, int minutes, int seconds) {
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0 &&
           seconds <= 59;
}

// The digits at 1-based columns first and first + 1 as a number; marks bad
// when either is not a digit.
int TwoDigits(const char* line, std::size_t first, unsigned& bad) {
    const unsigned tens = static_cast<unsigned char>(line[first - 1]) - unsigned{'0'};
    const unsigned ones = static_cast<unsigned char>(line[first]) - unsigned{'0'};
    bad |= static_cast<unsigned>(tens > 9) | static_cast<unsigned>(ones > 9);
    return static_cast<int>(tens * 10 + ones);
}

// Every number field of a line as written is plain digits: read here in one
// straight pass over the columns of NumberFields; false when any is not.
bool ReadPlainNumberFields(std::string_view line, TCallLineView& fields) {
    const char* p = line.data();
    unsigned bad = 0;
    fields.Day = TwoDigits(p, 1, bad);
    fields.Month = TwoDigits(p, 4, bad);
    fields.Year = TwoDigits(p, 7, bad) * 100 + TwoDigits(p, 9, bad);
    fields.StartHour = TwoDigits(p, 12, bad);
    fields.StartMinute = TwoDigits(p, 15, bad);
    fields.StartSecond = TwoDigits(p, 18, bad);
    fields.DurationHours = TwoDigits(p, 23, bad);
    fields.DurationMinutes = TwoDigits(p, 26, bad);
    fields.DurationSeconds = TwoDigits(p, 29, bad);
    return bad == 0;
}

// Fields that are not plain digits go through the general conversion.
bool ReadNumberFields(std::string_view line, TCallLineView& fields) {
    if (ReadPlainNumberFields(line, fields)) {
        return IsDate(fields.Year, fields.Month, fields.Day) &&
               IsTimeOfDay(fields.StartHour, fields.StartMinute, fields.StartSecond) &&
               IsTimeOfDay(fields.DurationHours, fields.DurationMinutes, fields.DurationSeconds);
    }
    for (const TNumberField& field : NumberFields) {
        int value = 0;
        for (std::size_t i = field.First - 1; i < field.Last; ++i) {
            const unsigned digit = static_cast<unsigned char>(line[i]) - unsigned{'0'};
            if (digit > 9) {
                const std::optional<int> converted =
                    TextToInteger(Columns(line, field.First, field.Last));
                if (!converted) {
                    return false;
                }
                value = *converted;
                break;
            }
            value = value * 10 + static_cast<int>(digit);
        }
        fields.*field.Member = value;
    }
    return IsDate(fields.Year, fields.Month, fields.Day) &&
           IsTimeOfDay(fields.StartHour, fields.StartMinute, fields.StartSecond) &&
           IsTimeOfDay(fields.DurationHours, fields.DurationMinutes, fields.DurationSeconds);
}

constexpr std::size_t TrunkPlaceWidth = 8; // three blanks and the five trunk columns

// Plain loops: the texts are a few characters long, too short for a library search.
std::size_t FirstNonBlank(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    return i;
}

// After the program number the fields are found by runs of non-blank characters,
// not by column: the trunk is the first run, the number everything after it. A
// writer without a trunk leaves the trunk's place blank; the first run is then the
// number, not a trunk.
void ReadTrunkAndNumber(std::string_view rest, TCallLineView& fields) {
    const std::size_t trunkStart = FirstNonBlank(rest);
    if (trunkStart >= std::min(rest.size(), TrunkPlaceWidth)) {
        fields.DialledNumberField = rest;
        return;
    }
    std::size_t trunkEnd = trunkStart;
    while (trunkEnd < rest.size() && rest[trunkEnd] != ' ') {
        ++trunkEnd;
    }
    fields.Trunk = rest.substr(trunkStart, trunkEnd - trunkStart);
    if (trunkEnd != rest.size()) {
        fields.DialledNumberField = rest.substr(trunkEnd + 1);
    }
}

} // namespace

bool IsSkippedLine(std::string_view line) {
    return line.empty() || line.front() == ' ' || line.size() <= LongestSkippedLine;
}

std::optional<TCallLineView> ParseCallLineView(std::string_view line) {
    if (line.size() < ProgramNumberFirst) {
        return std::nullopt;
    }
    TCallLineView fields;
    if (!ReadNumberFields(line, fields)) {
        return std::nullopt;
    }
    fields.HardwareLine = line.substr(HardwareLineFirst - 1, HardwareLineWidth);
    const void* bracket = std::memchr(line.data() + ProgramNumberFirst - 1, ')',
                                      line.size() - (ProgramNumberFirst - 1));
    if (bracket == nullptr) {
        return std::nullopt;
    }
    const auto programEnd =
        static_cast<std::size_t>(static_cast<const char*>(bracket) - line.data());
    fields.ProgramNumberField =
        line.substr(ProgramNumberFirst - 1, programEnd - (ProgramNumberFirst - 1));
    ReadTrunkAndNumber(line.substr(programEnd + 1), fields);
    return fields;
}

void AppendWithoutBlanks(std::string_view text, std::string& out) {
    for (const char c : text) {
        if (c != ' ') {
            out += c;
        }
    }
}

std::optional<TCallLineFields> ParseCallLine(std::string_view line) {
    const std::optional<TCallLineView> view = ParseCallLineView(line);
    if (!view) {
        return std::nullopt;
    }
    TCallLineFields fields;
    fields.Year = view->Year;
    fields.Month = view->Month;
    fields.Day = view->Day;
    fields.StartHour = view->StartHour;
    fields.StartMinute = view->StartMinute;
    fields.StartSecond = view->StartSecond;
    fields.DurationHours = view->DurationHours;
    fields.DurationMinutes = view->DurationMinutes;
    fields.DurationSeconds = view->DurationSeconds;
    fields.HardwareLine = std::string(view->HardwareLine);
    AppendWithoutBlanks(view->ProgramNumberField, fields.ProgramNumber);
    fields.Trunk = std::string(view->Trunk);
    AppendWithoutBlanks(view->DialledNumberField, fields.DialledNumber);
    return fields;
}

} // namespace tallyvox::callfile
