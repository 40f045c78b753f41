#pragma once
// tallyvox-report --check-alerts and --alerts: a rules file judged, and the
// alerts that a period of a call file would have given, to tune the rules on
// history.

#include <cstdio>
#include <ostream>
#include <string>

#include "report/Period.h"
#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Reads the rules and says how many there are, or lists every fault; the exit status.
int CheckAlerts(const std::string& rulesFile, std::FILE* out, std::ostream& err);

// One line per call and rule that fired in the period: the rule's name, a tab and
// the call's line as it stands in the file. The calls before the period teach
// the rules which prefixes were dialled; the exit status.
int PrintAlerts(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
                std::ostream& err);

// The alert journal's alerts whose call (or state) lies in the period, one a
// line: "RAISED<TAB>LEVEL<TAB>RULE<TAB>CALL LINE<TAB>DELIVERY", where DELIVERY
// says for each channel when the alert was sent, or that it is waiting and how
// many tries failed; the exit status.
int PrintAlertsLog(const std::string& callFile, const report::TPeriod& period, std::FILE* out,
                   std::ostream& err);

} // namespace tallyvox::reportcli
