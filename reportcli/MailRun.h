#pragma once
// tallyvox-report --mail: the period's report sent by mail instead of written,
// to the office or, with --by-department, to each department's manager.

#include <cstdio>
#include <iosfwd>

#include "report/Period.h"
#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// The exit status when a mail server did not take a message (the others went
// out): a timer's run that ends so is tried again and sends only what is missing.
constexpr int MailNotAccepted = 75;

// Sends (or with --dry-run writes) one message per recipient group, logging
// each; tells out what went where. The exit status: 0, 1 when the settings, the
// tables, the calls or the log cannot be read, or MailNotAccepted.
int MailReport(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
               std::ostream& err);

} // namespace tallyvox::reportcli
