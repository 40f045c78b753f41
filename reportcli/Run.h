#pragma once
// What tallyvox-report does once its options are read.

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <string>

#include "report/DateFormat.h"
#include "report/Directory.h"
#include "report/Tariff.h"
#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// Loads the call file, keeps the calls of the period, prices them when a tariff
// table is given, sorts, selects and writes the exports (or the tables) to out;
// messages go to err. dateFormat is asked only when the call export is written;
// now counts the period presets. The exit status: 0, or 1 when the file or the
// table cannot be read, the table has faults or an export cannot be written.
int RunReport(const TReportOptions& options, const std::function<report::TDateFormat()>& dateFormat,
              const report::TDateTime& now, std::FILE* out, std::ostream& err);

// Reads the tariff table into table; false after telling err why not.
bool ReadTariffs(const std::string& fileName, report::TTariffTable& table, std::ostream& err);
// Reads the office directory likewise.
bool ReadDirectory(const std::string& fileName, report::TDirectory& directory, std::ostream& err);

} // namespace tallyvox::reportcli
