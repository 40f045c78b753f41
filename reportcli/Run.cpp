#include "reportcli/Run.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>

#include "report/CsvExport.h"
#include "report/DepartmentSource.h"
#include "report/DirectoryReader.h"
#include "report/DirectoryViews.h"
#include "report/Export.h"
#include "report/MaskDigits.h"
#include "report/Period.h"
#include "report/Session.h"
#include "report/ShownViews.h"
#include "report/TariffReader.h"
#include "report/Workbook.h"
#include "report/WriteListToFile.h"
#include "reportcli/AlertsRun.h"
#include "reportcli/CoverageRun.h"
#include "reportcli/MailRun.h"
#include "reportcli/StoreSource.h"
#include "reportcli/Tables.h"
#include "text/Cp1251.h"

namespace tallyvox::reportcli {

namespace {

constexpr const char* Program = "tallyvox-report: ";

// Tells err why a file was not written; the result tells whether it was.
bool Told(const report::TWriteResult& result, std::ostream& err) {
    if (result.Written()) {
        return true;
    }
    err << Program << "cannot write " << result.FileName << ": " << result.Reason;
    if (result.Code != 0) {
        err << " (" << text::Cp1251ToUtf8(report::WriteListMessage(result.Code, result.Error))
            << ")";
    }
    err << "\n";
    return false;
}

// Writes one export to a file or, for "-", to out; false after telling err why not.
bool Save(const report::TExportLines& lines, const std::string& target, std::FILE* out,
          std::ostream& err) {
    if (target == "-") {
        if (report::WriteExport(lines, out) && std::fflush(out) == 0) {
            return true;
        }
        err << Program << "cannot write to standard output: " << std::strerror(errno) << "\n";
        return false;
    }
    return Told(report::SaveExport(lines, target), err);
}

// Reads a table a person writes (tariffs, directory) into table by read; false
// after telling err every fault of a refused table, or why the file is unreadable.
template <class TTable, class TRead>
bool ReadTable(const std::string& fileName, TRead read, TTable& table, std::ostream& err) {
    try {
        table = read(fileName);
        return true;
    } catch (const report::ETableError& error) {
        err << Program << fileName << " is refused:\n" << error.what();
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << fileName << ": " << error.code().message() << "\n";
    }
    return false;
}

} // namespace

bool ReadTariffs(const std::string& fileName, report::TTariffTable& table, std::ostream& err) {
    return ReadTable(fileName, report::ReadTariffFile, table, err);
}

bool ReadDirectory(const std::string& fileName, report::TDirectory& directory, std::ostream& err) {
    return ReadTable(fileName, report::ReadDirectoryFile, directory, err);
}

namespace {

// The call export; with masking, of the calls shown, masked. A selection that
// left no call still writes its one empty row.
bool SaveCalls(const TReportOptions& options, const report::TCallRows& rows,
               const report::TDateFormat& format, std::FILE* out, std::ostream& err) {
    if (!options.MaskDigits) {
        return Save(report::TCallExport(rows, format), *options.CallsOut, out, err);
    }
    const report::TCallList masked = report::MaskedCalls(rows, *options.MaskDigits);
    const report::TCallRows maskedRows = options.Selection
                                             ? report::SelectCalls(masked, report::TSelection{})
                                             : report::TCallRows(masked);
    return Save(report::TCallExport(maskedRows, format), *options.CallsOut, out, err);
}

// The CSV files and the workbook of the views.
bool SaveViews(const TReportOptions& options, const TOptionViews& shown,
               const std::vector<std::string>& heading, std::ostream& err) {
    bool saved = true;
    for (const auto& [kind, target] : options.CsvOuts) {
        saved = Told(report::SaveCsv(shown.Shown().View(kind), target), err) && saved;
    }
    if (options.XlsxOut) {
        saved =
            Told(report::SaveWorkbook(*options.XlsxOut, shown.WorkbookSheets(), {heading}), err) &&
            saved;
    }
    return saved;
}

int CheckTariffs(const std::string& fileName, std::FILE* out, std::ostream& err) {
    report::TTariffTable table;
    if (!ReadTariffs(fileName, table, err)) {
        return 1;
    }
    const std::string done =
        fileName + ": " + std::to_string(table.Rows().size()) + " rows, no faults\n";
    return std::fputs(done.c_str(), out) >= 0 ? 0 : 1;
}

int CheckDirectory(const std::string& fileName, std::FILE* out, std::ostream& err) {
    report::TDirectory directory;
    if (!ReadDirectory(fileName, directory, err)) {
        return 1;
    }
    const std::string done =
        fileName + ": " + std::to_string(directory.Entries().size()) + " rows, no faults\n";
    return std::fputs(done.c_str(), out) >= 0 ? 0 : 1;
}

std::vector<std::string> Cp1251(const std::vector<std::string>& utf8) {
    std::vector<std::string> texts;
    for (const std::string& text : utf8) {
        texts.push_back(text::Utf8ToCp1251(text));
    }
    return texts;
}

} // namespace

TOptionViews::TOptionViews(const TReportOptions& options, const report::TReportSession& session,
                           const report::TDirectory& directory)
    : Rows_(options.Selection ? report::SelectCalls(session.Calls(), *options.Selection)
                              : report::TCallRows(session.Calls())),
      CostViews(session.Views(Rows_)),
      Shown_(*CostViews, Rows_, directory, options.MaskDigits.value_or(0)) {
    if (options.Directory) {
        Groups_.emplace(session.Calls(), session.Priced() ? &session.Costs() : nullptr,
                        session.Tariffs(), directory);
    }
}

std::vector<const report::TReportView*> TOptionViews::WorkbookSheets() const {
    std::vector<const report::TReportView*> sheets;
    for (std::size_t kind = 0; kind < Shown_.Count(); ++kind) {
        sheets.push_back(&Shown_.View(static_cast<report::TViewKind>(kind)));
    }
    if (Groups_) {
        sheets.push_back(&Groups_->Departments());
        sheets.push_back(&Groups_->CostCentres());
    }
    return sheets;
}

bool LoadCalls(const TReportOptions& options, const report::TPeriod& period,
               const report::TDirectory& directory, const TCallChoice& choice,
               report::TReportSession& session, std::ostream& err) {
    try {
        const std::unique_ptr<report::TCallSource> source =
            options.Store ? StoreCallSource(options, period)
                          : std::make_unique<report::TCallFileSource>(options.CallFile);
        report::TDepartmentSource departments(*source, directory, choice.Departments,
                                              choice.Others);
        session.Load(choice.Departments.empty() && !choice.Others ? *source : departments, period,
                     options.NeedsCalls());
        return true;
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << options.CallFile << ": " << error.code().message()
            << "\n";
    } catch (const std::runtime_error& error) {
        err << Program << "cannot read the store: " << error.what() << "\n";
    }
    return false;
}

int RunReport(const TReportOptions& options, const std::function<report::TDateFormat()>& dateFormat,
              const report::TDateTime& now, std::FILE* out, std::ostream& err) {
    const report::TPeriod period = options.PeriodAt(now);
    if (options.Coverage) {
        return PrintCoverage(options, period, out, err);
    }
    if (options.CheckTariffs) {
        return CheckTariffs(*options.CheckTariffs, out, err);
    }
    if (options.CheckDirectory) {
        return CheckDirectory(*options.CheckDirectory, out, err);
    }
    if (options.CheckAlerts) {
        return CheckAlerts(*options.CheckAlerts, out, err);
    }
    // With --mail, the rules' alerts go into the message.
    if (options.Mail) {
        return MailReport(options, period, out, err);
    }
    if (options.Alerts) {
        return PrintAlerts(options, period, out, err);
    }
    if (options.AlertsLog) {
        return PrintAlertsLog(options.CallFile, period, out, err);
    }
    report::TTariffTable table;
    if (options.Tariffs && !ReadTariffs(*options.Tariffs, table, err)) {
        return 1;
    }
    report::TDirectory directory;
    if (options.Directory && !ReadDirectory(*options.Directory, directory, err)) {
        return 1;
    }
    report::TReportSession session({&table});
    if (!LoadCalls(options, period, directory, {Cp1251(options.Departments)}, session, err)) {
        return 1;
    }
    WarnAboutGaps(options, period, err);
    for (const report::TLineSortKey key : options.LineSorts) {
        report::SortLines(session.Lines(), key);
    }
    for (const report::TTrunkSortKey key : options.TrunkSorts) {
        report::SortTrunks(session.Trunks(), key);
    }
    const TOptionViews shown(options, session, directory);
    const report::TShownViews& views = shown.Shown();
    const report::TDirectoryViews* groups = shown.Groups();
    const std::vector<std::string> heading = session.Heading();
    if (!options.WritesExports()) {
        std::string tables =
            options.Tariffs || options.Directory
                ? CostTables(session.LineCount(), views, heading)
                : TotalsTables(session.LineCount(), session.Lines(), session.Trunks());
        if (groups) {
            tables += DirectoryTables(*groups);
        }
        return std::fwrite(tables.data(), 1, tables.size(), out) == tables.size() ? 0 : 1;
    }
    bool saved = true;
    if (options.CallsOut) {
        saved = SaveCalls(options, shown.Rows(), dateFormat(), out, err) && saved;
    }
    if (options.LinesOut) {
        saved = Save(report::TLineExport(session.Lines()), *options.LinesOut, out, err) && saved;
    }
    if (options.TrunksOut) {
        saved = Save(report::TTrunkExport(session.Trunks()), *options.TrunksOut, out, err) && saved;
    }
    saved = SaveViews(options, shown, heading, err) && saved;
    return saved ? 0 : 1;
}

} // namespace tallyvox::reportcli
