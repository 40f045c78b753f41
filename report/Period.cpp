#include "report/Period.h"

#include <cstdio>
#include <tuple>

#include "callfile/CallLine.h"
#include "report/Load.h"

namespace tallyvox::report {

namespace {

auto Ordered(const TDateTime& time) {
    return std::tie(time.Year, time.Month, time.Day, time.Hour, time.Minute, time.Second);
}

// Digits at text[at..at+count); -1 when they are not all digits.
int Number(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsDate(int year, int month, int day) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
           day <= Days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

} // namespace

bool TPeriod::Contains(const TDateTime& start) const {
    return Ordered(From) <= Ordered(start) && Ordered(start) <= Ordered(To);
}

std::optional<TDateTime> ParseDateTime(std::string_view text, bool endOfDay) {
    const int year = Number(text, 0, 4);
    const int month = Number(text, 5, 2);
    const int day = Number(text, 8, 2);
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !IsDate(year, month, day)) {
        return std::nullopt;
    }
    int hour = endOfDay ? 23 : 0;
    int minute = endOfDay ? 59 : 0;
    int second = endOfDay ? 59 : 0;
    if (text.size() > 10) {
        const bool withSeconds = text.size() == 19;
        if ((text.size() != 16 && !withSeconds) || (text[10] != ' ' && text[10] != 'T') ||
            text[13] != ':' || (withSeconds && text[16] != ':')) {
            return std::nullopt;
        }
        hour = Number(text, 11, 2);
        minute = Number(text, 14, 2);
        second = withSeconds ? Number(text, 17, 2) : (endOfDay ? 59 : 0);
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
            return std::nullopt;
        }
    }
    return TDateTime{static_cast<std::uint16_t>(year),  static_cast<std::uint8_t>(month),
                     static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
                     static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
}

std::string DateTimeText(const TDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
    return text;
}

TCallList LoadCallFileInPeriod(const std::string& fileName, const TPeriod& period) {
    TCallList calls;
    ReadCallFile(fileName, [&](const TExtStr_rep& call) {
        if (period.Contains(call.Start)) {
            calls.Append(call);
        }
    });
    calls.SetLineCount(calls.Count());
    return calls;
}

} // namespace tallyvox::report
