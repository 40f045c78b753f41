#include "reportcli/Run.h"

#include <cstring>
#include <ostream>
#include <system_error>

#include "report/Export.h"
#include "report/FileTotals.h"
#include "report/Load.h"
#include "report/Period.h"
#include "report/Totals.h"
#include "report/WriteListToFile.h"
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

} // namespace

int RunReport(const TReportOptions& options, const std::function<report::TDateFormat()>& dateFormat,
              std::FILE* out, std::ostream& err) {
    // The call list is kept only for the call export; the totals alone are built
    // call by call as the file is read, in a small fraction of the time and memory.
    report::TCallList calls;
    report::TLineList lines;
    report::TTrunkList trunks;
    std::size_t lineCount = 0;
    try {
        if (options.Store || options.Period) {
            // A store or a period: the calls are kept, whatever is written.
            calls = options.Store ? LoadStoreCalls(options)
                                  : report::LoadCallFileInPeriod(options.CallFile, *options.Period);
            lines = report::BuildLineList(calls);
            trunks = report::BuildTrunkList(calls);
            lineCount = calls.LineCount();
        } else if (options.CallsOut) {
            calls = report::LoadCallFile(options.CallFile);
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
    for (const report::TLineSortKey key : options.LineSorts) {
        report::SortLines(lines, key);
    }
    for (const report::TTrunkSortKey key : options.TrunkSorts) {
        report::SortTrunks(trunks, key);
    }
    if (!options.WritesExports()) {
        const std::string tables = TotalsTables(lineCount, lines, trunks);
        return std::fwrite(tables.data(), 1, tables.size(), out) == tables.size() ? 0 : 1;
    }
    bool saved = true;
    if (options.CallsOut) {
        const report::TCallRows rows = options.Selection
                                           ? report::SelectCalls(calls, *options.Selection)
                                           : report::TCallRows(calls);
        const report::TDateFormat format = dateFormat();
        saved = Save(report::TCallExport(rows, format), *options.CallsOut, out, err) && saved;
    }
    if (options.LinesOut) {
        saved = Save(report::TLineExport(lines), *options.LinesOut, out, err) && saved;
    }
    if (options.TrunksOut) {
        saved = Save(report::TTrunkExport(trunks), *options.TrunksOut, out, err) && saved;
    }
    return saved ? 0 : 1;
}

} // namespace tallyvox::reportcli
