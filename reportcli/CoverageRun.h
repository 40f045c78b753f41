#pragma once
// The report's side of the capture coverage journal.

#include <cstdio>
#include <iosfwd>

#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Prints the capture intervals and gaps of the call file's journal within the
// period: 0, or 1 when there is no journal to read.
int PrintCoverage(const TReportOptions& options, std::FILE* out, std::ostream& err);

// Tells err when the call file's journal shows gaps in capture within the
// period, so that nobody takes the totals for complete. Silent without a journal.
void WarnAboutGaps(const TReportOptions& options, std::ostream& err);

} // namespace tallyvox::reportcli
