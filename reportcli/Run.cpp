#include "reportcli/Run.h"

#include <cstring>
#include <ostream>
#include <system_error>

#include "report/CsvExport.h"
#include "report/DirectoryReader.h"
#include "report/DirectoryViews.h"
#include "report/Export.h"
#include "report/FileTotals.h"
#include "report/Load.h"
#include "report/MaskDigits.h"
#include "report/Period.h"
#include "report/TariffReader.h"
#include "report/Totals.h"
#include "report/Workbook.h"
#include "report/WriteListToFile.h"
#include "reportcli/AlertsRun.h"
#include "reportcli/CoverageRun.h"
#include "reportcli/StoreSource.h"
#include "reportcli/Tables.h"
#include "text/Cp1251.h"

namespace tallyvox::reportcli {

namespace {

constexpr const char* Program = "tallyvox-report: ";

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
    int lastErrno = 0;
    const int result = report::WriteListToFile(lastErrno, lines, target);
    if (result == report::WriteOk) {
        return true;
    }
    err << Program << "cannot write " << target << ": " << std::strerror(lastErrno) << " ("
        << text::Cp1251ToUtf8(report::WriteListMessage(result, lastErrno)) << ")\n";
    return false;
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

// The CSV files and the workbook of the priced views.
bool SaveCostViews(const TReportOptions& options, const report::TNamedViews& views,
                   const report::TDirectoryViews* groups, const std::vector<std::string>& heading,
                   std::ostream& err) {
    bool saved = true;
    for (const auto& [kind, target] : options.CsvOuts) {
        if (!report::WriteCsv(views.View(kind), target)) {
            err << Program << "cannot write " << target << ": " << std::strerror(errno) << "\n";
            saved = false;
        }
    }
    if (options.XlsxOut) {
        std::vector<const report::TCostView*> sheets;
        for (const auto kind : {report::TViewKind::Calls, report::TViewKind::Lines,
                                report::TViewKind::Trunks, report::TViewKind::Destinations}) {
            sheets.push_back(&views.View(kind));
        }
        if (groups != nullptr) {
            sheets.push_back(&groups->Departments());
            sheets.push_back(&groups->CostCentres());
        }
        try {
            report::WriteWorkbook(*options.XlsxOut, sheets, {heading});
        } catch (const report::EWorkbookError& error) {
            err << Program << error.what() << "\n";
            saved = false;
        }
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
    if (options.Alerts) {
        return PrintAlerts(options, period, out, err);
    }
    report::TTariffTable table;
    if (options.Tariffs && !ReadTariffs(*options.Tariffs, table, err)) {
        return 1;
    }
    report::TDirectory directory;
    if (options.Directory && !ReadDirectory(*options.Directory, directory, err)) {
        return 1;
    }
    // The call list is kept only where the calls themselves are needed; the totals
    // alone are built call by call as the file is read, in a fraction of the time.
    report::TCallList calls;
    report::TLineList lines;
    report::TTrunkList trunks;
    std::size_t lineCount = 0;
    try {
        if (options.NeedsCalls()) {
            if (options.Store) {
                calls = LoadStoreCalls(options, period);
            } else {
                calls = report::LoadCallFile(options.CallFile);
                if (!period.Whole()) {
                    calls = report::CallsInPeriod(calls, period);
                }
            }
            if (!options.Departments.empty()) {
                calls = report::CallsOfDepartments(calls, directory, Cp1251(options.Departments));
            }
            lines = report::BuildLineList(calls);
            trunks = report::BuildTrunkList(calls);
            lineCount = calls.LineCount();
        } else {
            report::TFileTotals totals = report::ReadFileTotals(options.CallFile);
            lineCount = totals.LineCount;
            lines = std::move(totals.Lines);
            trunks = std::move(totals.Trunks);
        }
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << options.CallFile << ": " << error.code().message()
            << "\n";
        return 1;
    } catch (const std::runtime_error& error) {
        err << Program << "cannot read the store: " << error.what() << "\n";
        return 1;
    }
    WarnAboutGaps(options, period, err);
    for (const report::TLineSortKey key : options.LineSorts) {
        report::SortLines(lines, key);
    }
    for (const report::TTrunkSortKey key : options.TrunkSorts) {
        report::SortTrunks(trunks, key);
    }
    // Priced by the whole numbers; shown, selected and exported as the viewer may see them.
    const report::TCostReport costs =
        options.Tariffs ? report::PriceCalls(calls, table) : report::TCostReport{};
    if (options.MaskDigits) {
        calls = report::MaskedCalls(calls, *options.MaskDigits);
    }
    const report::TCallRows rows = options.Selection
                                       ? report::SelectCalls(calls, *options.Selection)
                                       : report::TCallRows(calls);
    const report::TCostViews costViews(rows, lines, trunks, costs, table);
    const report::TNamedViews views(costViews, rows, directory);
    std::optional<report::TDirectoryViews> groups;
    if (options.Directory) {
        groups.emplace(calls, options.Tariffs ? &costs : nullptr, table, directory);
    }
    const std::vector<std::string> heading =
        report::HeadingLines(report::PeriodCaption(period), table, costs);
    if (!options.WritesExports()) {
        std::string tables = options.Tariffs || options.Directory
                                 ? CostTables(lineCount, views, heading)
                                 : TotalsTables(lineCount, lines, trunks);
        if (groups) {
            tables += DirectoryTables(*groups);
        }
        return std::fwrite(tables.data(), 1, tables.size(), out) == tables.size() ? 0 : 1;
    }
    bool saved = true;
    if (options.CallsOut) {
        const report::TDateFormat format = dateFormat();
        saved = Save(report::TCallExport(rows, format), *options.CallsOut, out, err) && saved;
    }
    if (options.LinesOut) {
        saved = Save(report::TLineExport(lines), *options.LinesOut, out, err) && saved;
    }
    if (options.TrunksOut) {
        saved = Save(report::TTrunkExport(trunks), *options.TrunksOut, out, err) && saved;
    }
    saved = SaveCostViews(options, views, groups ? &*groups : nullptr, heading, err) && saved;
    return saved ? 0 : 1;
}

} // namespace tallyvox::reportcli
