#pragma once
// The capture coverage of a call-accounting file, from the journal the collector
// keeps beside it: the intervals in which the exchange was read and the gaps in
// between with their reasons, over the whole journal or a period.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "callfile/CoverageJournal.h"
#include "model/Clock.h"
#include "report/Types.h"

namespace tallyvox::report {

// A stretch of time; To is empty while it has not ended by the journal's last
// entry (capture still runs, or the collector ended without a word).
struct TCoverageSpan {
    TCalendarTime From;
    std::optional<TCalendarTime> To;
    bool Reading = false;
    // Reading: the exchange and its buffer at identification, and the calls
    // taken (-1 when the collector ended without saying).
    std::string Serial;
    std::string Model;
    int Fill = 0;
    int Capacity = 0;
    std::int64_t Records = 0;
    // A gap: why ("line-down", "exchange-silent", "file-unwritable", "stopped").
    std::string Reason;
    std::string Detail;
    // A gap that lost nothing: the collector stopped on purpose (between the
    // runs of a timed setup, say) and the next read found the exchange's buffer
    // not full, so the exchange had kept every call of the meantime.
    bool Pause = false;
};

// The spans the entries describe, in order (entries as appended), their pauses
// marked.
std::vector<TCoverageSpan> CoverageSpans(const std::vector<callfile::TCoverageEntry>& entries);

// Marks the gaps among spans (in order) that are pauses.
void MarkPauses(std::vector<TCoverageSpan>& spans);

// The journal file's entries; lines that are no entry (a torn last line) are
// passed over. Nothing when the file cannot be read (*readable set false).
std::vector<callfile::TCoverageEntry> LoadCoverageJournal(const std::string& journalName,
                                                          bool* readable = nullptr);

// A period's end as a calendar time (none stays none).
std::optional<TCalendarTime> CalendarBound(const std::optional<TDateTime>& time);

// The spans that overlap [from, to] (either end may be open), cut to it.
std::vector<TCoverageSpan> SpansWithin(const std::vector<TCoverageSpan>& spans,
                                       const std::optional<TCalendarTime>& from,
                                       const std::optional<TCalendarTime>& to);

// The gaps among spans that may have lost calls (capture not running, pauses
// left out).
std::size_t GapCount(const std::vector<TCoverageSpan>& spans);

// "YYYY-MM-DD" or "YYYY-MM-DD hh:mm[:ss]"; a date alone is the day's start, or
// with endOfDay its last second. Nothing for another text.
std::optional<TCalendarTime> ParsePeriodTime(std::string_view text, bool endOfDay);

// Seconds from a fixed day, for comparing and subtracting calendar times.
std::int64_t SecondsOf(const TCalendarTime& time);

// The spans as text lines (UTF-8), one a span:
// "2026-12-09 08:00:01 .. 2026-12-09 09:12:45  reading  01:12:44  Arden-L1 serial 1234, 17 calls,
// buffer 40 of 2000" "2026-12-09 09:12:45 .. 2026-12-09 09:20:00  GAP line-down  00:07:15 (detail)"
// "2026-12-09 10:00:05 .. 2026-12-09 11:00:01  pause stopped  00:59:56  (the exchange kept its
// calls)"
std::vector<std::string> CoverageLines(const std::vector<TCoverageSpan>& spans);

} // namespace tallyvox::report
