#pragma once
// The runs of tallyvox-report that need Qt (charts, the locale's date names),
// the store or the alert rules are made by tallyvox-report-full, so that the
// other runs load none of those libraries.

#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Whether the run needs tallyvox-report-full.
bool NeedsFullProgram(const TReportOptions& options);

// Replaces this process by tallyvox-report-full with the same arguments: the
// one beside this program, else the one in ../libexec/tallyvox. Returns only
// when it cannot be started, with the exit status after saying why.
int RunFullProgram(char** argv);

} // namespace tallyvox::reportcli
