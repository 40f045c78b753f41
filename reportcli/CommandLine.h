#pragma once
// The options of the tallyvox-report program.

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/Options.h"
#include "qtadapters/ChartKind.h"
#include "report/CostViews.h"
#include "report/Period.h"
#include "report/Selection.h"
#include "report/Sort.h"

namespace tallyvox::reportcli {

// A mistake in the options; the program shows it with the usage and exits with 2.
using ECommandLineError = cli::EUsageError;

struct TReportOptions {
    std::string CallFile;                          // empty when the calls come from the store
    std::optional<std::string> Store;              // the store's connection string
    std::vector<std::string> Sites;                // of the store; none: every site
    std::vector<report::TLineSortKey> LineSorts;   // applied in this order
    std::vector<report::TTrunkSortKey> TrunkSorts; // applied in this order
    std::optional<report::TSelection> Selection;   // none: every call
    std::optional<std::string> DateFormat;         // UTF-8; none: the locale's short format
    std::optional<std::string> CallsOut;           // "-" is standard output
    std::optional<std::string> LinesOut;
    std::optional<std::string> TrunksOut;
    std::vector<std::pair<TChartKind, std::string>> Charts; // each picture and its file
    bool Sizing = false;                                    // print the trunk sizing
    bool Help = false;
    // Costs and periods.
    std::optional<std::string> Tariffs;                             // the tariff table
    std::optional<report::TDateTime> From;                          // included
    std::optional<report::TDateTime> To;                            // included
    std::optional<report::TPeriodPreset> Period;                    // resolved against now
    std::vector<std::pair<report::TViewKind, std::string>> CsvOuts; // view, file
    std::optional<std::string> XlsxOut;
    std::optional<std::string> CheckTariffs;   // check this table and stop
    std::optional<std::string> CheckDirectory; // check this office directory and stop
    std::optional<std::string> Directory;      // whose the lines are: names and departments
    std::vector<std::string> Departments;      // UTF-8; with Directory: only their lines' calls
    std::optional<unsigned> MaskDigits;        // the last digits of every dialled number as X
    // Alert rules: check a rules file and stop, or print what the rules fire.
    std::optional<std::string> CheckAlerts;
    std::optional<std::string> Alerts;
    bool AlertsLog = false; // the alert journal's alerts of the period and their delivery
    // --coverage: the capture intervals and gaps instead of the totals.
    bool Coverage = false;
    // The report by mail instead of files: the file with the [mail] settings.
    std::optional<std::string> Mail;
    std::vector<std::string> MailTo;   // instead of [mail] to
    bool ByDepartment = false;         // each department's calls to its own addresses
    std::optional<std::string> DryRun; // the messages as files in this folder, not sent
    bool Resend = false;               // also what the send log says went out already

    bool WantsCharts() const { return !Charts.empty() || Sizing; }
    // Whether the run checks a file and needs no calls.
    bool OnlyChecks() const { return CheckTariffs || CheckDirectory || CheckAlerts; }
    bool WritesExports() const {
        return CallsOut || LinesOut || TrunksOut || !CsvOuts.empty() || XlsxOut;
    }
    // Whether the calls must be kept (not only totalled and priced as they are
    // read): for the call export, the views that show calls and the directory's
    // views, which group calls by their dates.
    bool NeedsCalls() const {
        return CallsOut || XlsxOut || Directory || Mail ||
               std::any_of(CsvOuts.begin(), CsvOuts.end(), [](const auto& out) {
                   return out.first != report::TViewKind::Lines &&
                          out.first != report::TViewKind::Trunks &&
                          out.first != report::TViewKind::Destinations;
               });
    }
    // The period the options ask for, presets counted from now.
    report::TPeriod PeriodAt(const report::TDateTime& now) const;
};

// Reads the options (argv without the program name); ECommandLineError with the
// reason for an unknown option, a missing or bad value, or a missing call file.
TReportOptions ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text printed by --help and after a mistake.
std::string Usage();

} // namespace tallyvox::reportcli
