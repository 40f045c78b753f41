#pragma once
// tallyvox-report --check-alerts and --alerts: a rules file judged, and the
// alerts that a period of a call file would have given, to tune the rules on
// history.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>

#include "alerts/Rules.h"
#include "report/Period.h"
#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Reads the rules and says how many there are, or lists every fault; the exit status.
int CheckAlerts(const std::string& rulesFile, std::FILE* out, std::ostream& err);

// Reads a rules file (or the report mail's settings, which are one) into rules;
// false after telling err every fault, or why the file is unreadable.
bool ReadRules(const std::string& fileName, alerts::TRules& rules, std::ostream& err);

// One alert the rules fired: the rule's name and its call, as the call's line
// stands in the file and by what the directory places the call.
struct TFiredAlert {
    std::string Rule;
    std::string CallLine;
    std::string HardwareLine;
    std::string ProgramNumber;
    std::string DialledNumber;
    std::uint32_t Seconds = 0;
    report::TDateTime Start;
};

// Gives sink each alert the rules of options.Alerts fire over the period's calls
// of the call file, in the order they fire. The calls before the period teach
// the rules which prefixes were dialled; the exit status.
int FireAlerts(const TReportOptions& options, const report::TPeriod& period,
               const std::function<void(const TFiredAlert&)>& sink, std::ostream& err);

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
