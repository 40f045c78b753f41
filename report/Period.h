#pragma once
// The period of a report: the calls that began from one moment to another, both
// included, to the second. Every view, total and export of a report is made of
// the calls of its period.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "report/Lists.h"
#include "report/Types.h"

namespace tallyvox::report {

// Seconds since 1 January 1970 of a calendar date-time (proleptic Gregorian),
// and back; for comparing and stepping date-times.
std::int64_t SecondsOf(const TDateTime& dateTime);
TDateTime DateTimeOf(std::int64_t seconds);
// 1 = Monday ... 7 = Sunday.
int Weekday(const TDateTime& dateTime);
// Whether the fields form a real date and time of day.
bool IsValidDateTime(const TDateTime& dateTime);

struct TPeriod {
    std::optional<TDateTime> From; // none: from the first call
    std::optional<TDateTime> To;   // none: up to the last call; included

    // A call belongs to the period by its start.
    bool Holds(const TDateTime& start) const;
    bool Whole() const { return !From && !To; }
};

enum class TPeriodPreset { Today, Yesterday, ThisWeek, LastWeek, ThisMonth, LastMonth };

// The named presets: "today", "yesterday", "thisweek", "lastweek", "thismonth",
// "lastmonth"; nothing for another name.
std::optional<TPeriodPreset> PresetByName(std::string_view name);
// The whole days of a preset around now: from 00:00:00 of its first day to
// 23:59:59 of its last; a week begins on Monday.
TPeriod PresetPeriod(TPeriodPreset preset, const TDateTime& now);

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" ("T" may stand for the
// blank); a date alone is its first second, or its last when endOfDay is set.
// Nothing when the text is not such a date or the date does not exist.
std::optional<TDateTime> ParseDateTime(std::string_view text, bool endOfDay = false);
// "YYYY-MM-DD HH:MM:SS".
std::string DateTimeText(const TDateTime& dateTime);
// "с DD.MM.YYYY HH:MM:SS по DD.MM.YYYY HH:MM:SS" (UTF-8), or "все звонки" for a
// whole period; one end alone shows only that end.
std::string PeriodCaption(const TPeriod& period);

// The calls of calls that belong to the period, in list order; the texts are
// copied into the new list, whose line count is that of calls.
TCallList CallsInPeriod(const TCallList& calls, const TPeriod& period);

} // namespace tallyvox::report
