#pragma once
// What a report's mail says in its body: the period, the grand total and the
// calls no tariff priced, then the dearest destinations and calls, the lines
// that talked longest, the alerts of the period and the gaps in capture. The
// figures are the session's own, so the body and the attached workbook agree.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "report/Directory.h"
#include "report/Session.h"

namespace tallyvox::reportmail {

// A table of the body (UTF-8): a caption, the column titles and the rows; Empty
// is said instead when there are no rows. The columns from FiguresFrom on are
// figures, set flush right.
struct TSummaryTable {
    std::string Caption;
    std::vector<std::string> Columns;
    std::vector<std::vector<std::string>> Rows;
    std::string Empty;
    std::size_t FiguresFrom = SIZE_MAX;
};

struct TReportSummary {
    std::string Title;                                      // the subject
    std::vector<std::pair<std::string, std::string>> Facts; // "Итого" and its figure
    std::vector<TSummaryTable> Tables;
};

// Who and what the summary is of (UTF-8 texts).
struct TSummaryScope {
    std::string Site;       // the office, or the store's sites
    std::string Department; // empty: the whole office
    unsigned MaskDigits = 0;
    const report::TDirectory* Directory = nullptr; // names the lines when given
};

// An alert of the period: the rule's name (UTF-8) and its call (Windows-1251).
struct TSummaryAlert {
    std::string Rule;
    report::TDateTime Start;
    std::string HardwareLine;
    std::string DialledNumber;
    std::uint32_t Seconds = 0;
};

// The summary of a session's calls (kept), with the period's alerts and the
// gaps' lines as they come (UTF-8).
TReportSummary SummaryOf(const report::TReportSession& session, const TSummaryScope& scope,
                         const std::vector<TSummaryAlert>& alerts,
                         const std::vector<std::string>& gaps);

// "30.11.2026 – 06.12.2026" for whole days (one day alone as its date), else
// the period's caption with times.
std::string PeriodDays(const report::TPeriod& period);

// The body as plain text and as an HTML document.
std::string SummaryText(const TReportSummary& summary);
std::string SummaryHtml(const TReportSummary& summary);

} // namespace tallyvox::reportmail
