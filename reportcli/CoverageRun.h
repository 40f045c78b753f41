#pragma once
// The report's side of the capture coverage journal.

#include <cstdio>
#include <iosfwd>
#include <string>
#include <vector>

#include "report/Period.h"
#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Prints the capture intervals and gaps of the call file's journal, or of the
// store's sites, within the period: 0, or 1 when there is no journal (or store)
// to read.
int PrintCoverage(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
                  std::ostream& err);

// The gaps in capture within the period that may have lost calls, a line each
// (UTF-8; of the store, each begins with its site); none without a journal.
std::vector<std::string> GapLines(const TReportOptions& options, const report::TPeriod& period);

// Tells err when the call file's journal (or the store's coverage of the sites)
// shows gaps in capture within the period, so that nobody takes the totals for
// complete; pauses lose nothing and are no gaps. Silent without a journal.
void WarnAboutGaps(const TReportOptions& options, const report::TPeriod& period, std::ostream& err);

} // namespace tallyvox::reportcli
