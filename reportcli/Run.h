#pragma once
// What tallyvox-report does once its options are read.

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/DateFormat.h"
#include "report/Directory.h"
#include "report/DirectoryViews.h"
#include "report/Session.h"
#include "report/ShownViews.h"
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

// Which calls a report reads: only those of the departments (Windows-1251), or
// with Others those of every line outside them; no departments: every call.
struct TCallChoice {
    std::vector<std::string> Departments;
    bool Others = false;
};

// Loads the period's calls of the call file or the store into session, as choice
// and the directory narrow them; false after telling err why they cannot be read.
bool LoadCalls(const TReportOptions& options, const report::TPeriod& period,
               const report::TDirectory& directory, const TCallChoice& choice,
               report::TReportSession& session, std::ostream& err);

// The views of a loaded session as the options show them: of the calls the
// selection keeps, numbers masked, and the directory's groupings when a
// directory is given. session and directory must outlive the views.
class TOptionViews {
public:
    TOptionViews(const TReportOptions& options, const report::TReportSession& session,
                 const report::TDirectory& directory);

    const report::TCallRows& Rows() const { return Rows_; }
    const report::TShownViews& Shown() const { return Shown_; }
    const report::TDirectoryViews* Groups() const { return Groups_ ? &*Groups_ : nullptr; }
    // The sheets of the workbook: every view, then the groupings.
    std::vector<const report::TReportView*> WorkbookSheets() const;

private:
    report::TCallRows Rows_;
    std::unique_ptr<report::TCostViews> CostViews;
    report::TShownViews Shown_;
    std::optional<report::TDirectoryViews> Groups_;
};

} // namespace tallyvox::reportcli
