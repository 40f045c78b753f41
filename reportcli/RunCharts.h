#pragma once
// The charts and the trunk sizing of tallyvox-report: --chart KIND=OUT and
// --sizing, drawn offscreen, so that no display is needed.

#include <iosfwd>

#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Loads the call file, keeps the calls of the period (presets counted from now),
// prices them when a tariff table is given, writes each chart asked for and
// prints the sizing to out; messages go to err. Makes the application object the charts need (on
// the offscreen platform unless QT_QPA_PLATFORM names another). The exit status: 0, or 1 when the
// file or the table cannot be read or a chart cannot be drawn or written.
int RunCharts(int& argc, char** argv, const TReportOptions& options, const report::TDateTime& now,
              std::ostream& out, std::ostream& err);

} // namespace tallyvox::reportcli
