#include "report/Period.h"

#include <array>
#include <cstdio>

namespace tallyvox::report {

namespace {

constexpr std::int64_t DaySeconds = 86400;

// Days since 1970-01-01 of a civil date (the well-known era algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

TDateTime CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    TDateTime date;
    date.Year = static_cast<std::uint16_t>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    date.Month = static_cast<std::uint8_t>(m);
    date.Day = static_cast<std::uint8_t>(d);
    return date;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

TDateTime DayStart(std::int64_t day) {
    return CivilFromDays(day);
}

TDateTime DayEnd(std::int64_t day) {
    return DateTimeOf((day + 1) * DaySeconds - 1);
}

TPeriod Days(std::int64_t first, std::int64_t last) {
    return {DayStart(first), DayEnd(last)};
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// Reads exactly count digits at text[at...]; false when there are not.
bool Number(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string DottedText(const TDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", t.Day, t.Month, t.Year,
                  t.Hour, t.Minute, t.Second);
    return text;
}

} // namespace

std::int64_t SecondsOf(const TDateTime& t) {
    return DaysFromCivil(t.Year, t.Month, t.Day) * DaySeconds + t.Hour * 3600 + t.Minute * 60 +
           t.Second;
}

TDateTime DateTimeOf(std::int64_t seconds) {
    const std::int64_t day = FloorDiv(seconds, DaySeconds);
    const std::int64_t rest = seconds - day * DaySeconds;
    TDateTime t = CivilFromDays(day);
    t.Hour = static_cast<std::uint8_t>(rest / 3600);
    t.Minute = static_cast<std::uint8_t>(rest % 3600 / 60);
    t.Second = static_cast<std::uint8_t>(rest % 60);
    return t;
}

int Weekday(const TDateTime& t) {
    // 1970-01-01 was a Thursday (4).
    const std::int64_t day = DaysFromCivil(t.Year, t.Month, t.Day);
    return static_cast<int>(day + 3 - FloorDiv(day + 3, 7) * 7) + 1;
}

bool IsValidDateTime(const TDateTime& t) {
    return t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= DaysInMonth(t.Year, t.Month) &&
           t.Hour < 24 && t.Minute < 60 && t.Second < 60;
}

bool TPeriod::Holds(const TDateTime& start) const {
    const std::int64_t at = SecondsOf(start);
    return (!From || SecondsOf(*From) <= at) && (!To || at <= SecondsOf(*To));
}

std::optional<TPeriodPreset> PresetByName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, TPeriodPreset>, 6> names{{
        {"today", TPeriodPreset::Today},
        {"yesterday", TPeriodPreset::Yesterday},
        {"thisweek", TPeriodPreset::ThisWeek},
        {"lastweek", TPeriodPreset::LastWeek},
        {"thismonth", TPeriodPreset::ThisMonth},
        {"lastmonth", TPeriodPreset::LastMonth},
    }};
    for (const auto& [text, preset] : names) {
        if (text == name) {
            return preset;
        }
    }
    return std::nullopt;
}

TPeriod PresetPeriod(TPeriodPreset preset, const TDateTime& now) {
    const std::int64_t today = DaysFromCivil(now.Year, now.Month, now.Day);
    const std::int64_t monday = today - (Weekday(now) - 1);
    const std::int64_t monthFirst = DaysFromCivil(now.Year, now.Month, 1);
    switch (preset) {
    case TPeriodPreset::Today:
        return Days(today, today);
    case TPeriodPreset::Yesterday:
        return Days(today - 1, today - 1);
    case TPeriodPreset::ThisWeek:
        return Days(monday, monday + 6);
    case TPeriodPreset::LastWeek:
        return Days(monday - 7, monday - 1);
    case TPeriodPreset::ThisMonth:
        return Days(monthFirst, monthFirst + DaysInMonth(now.Year, now.Month) - 1);
    case TPeriodPreset::LastMonth: {
        const TDateTime previous = CivilFromDays(monthFirst - 1);
        return Days(DaysFromCivil(previous.Year, previous.Month, 1), monthFirst - 1);
    }
    }
    return {};
}

std::optional<TDateTime> ParseDateTime(std::string_view text, bool endOfDay) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!Number(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
        !Number(text, 5, 2, month) || !Number(text, 8, 2, day)) {
        return std::nullopt;
    }
    if (text.size() == 10) {
        hour = endOfDay ? 23 : 0;
        minute = endOfDay ? 59 : 0;
        second = endOfDay ? 59 : 0;
    } else if ((text.size() == 16 || text.size() == 19) && (text[10] == ' ' || text[10] == 'T') &&
               Number(text, 11, 2, hour) && text[13] == ':' && Number(text, 14, 2, minute)) {
        if (text.size() == 19 && (text[16] != ':' || !Number(text, 17, 2, second))) {
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    TDateTime t{static_cast<std::uint16_t>(year),  static_cast<std::uint8_t>(month),
                static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
                static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
    if (!IsValidDateTime(t)) {
        return std::nullopt;
    }
    return t;
}

std::string DateTimeText(const TDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    return text;
}

std::string PeriodCaption(const TPeriod& period) {
    if (period.Whole()) {
        return "все звонки";
    }
    std::string caption;
    if (period.From) {
        caption += "с " + DottedText(*period.From);
    }
    if (period.To) {
        caption += std::string(caption.empty() ? "" : " ") + "по " + DottedText(*period.To);
    }
    return caption;
}

TCallList CallsInPeriod(const TCallList& calls, const TPeriod& period) {
    TCallList kept;
    for (const TExtStr_rep& call : calls) {
        if (period.Holds(call.Start)) {
            kept.Append(call);
        }
    }
    kept.SetLineCount(calls.LineCount());
    return kept;
}

} // namespace tallyvox::report
