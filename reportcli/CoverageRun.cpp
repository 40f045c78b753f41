#include "reportcli/CoverageRun.h"

#include <ostream>
#include <string>

#include "report/Coverage.h"
#include "text/Cp1251.h"

namespace tallyvox::reportcli {
namespace {

std::optional<TCalendarTime> Bound(const std::optional<report::TDateTime>& time) {
    if (!time) {
        return std::nullopt;
    }
    return TCalendarTime{time->Year, time->Month,  time->Day,
                         time->Hour, time->Minute, time->Second};
}

std::vector<report::TCoverageSpan> SpansOf(const TReportOptions& options, bool& readable) {
    const std::string journal = callfile::CoverageJournalOf(text::Utf8ToCp1251(options.CallFile));
    return report::SpansWithin(
        report::CoverageSpans(report::LoadCoverageJournal(journal, &readable)), Bound(options.From),
        Bound(options.To));
}

} // namespace

int PrintCoverage(const TReportOptions& options, std::FILE* out, std::ostream& err) {
    bool readable = false;
    const std::vector<report::TCoverageSpan> spans = SpansOf(options, readable);
    if (!readable) {
        err << "tallyvox-report: no coverage journal " << options.CallFile
            << ".coverage (the collector keeps one beside the call file)\n";
        return 1;
    }
    std::string text;
    for (const std::string& line : report::CoverageLines(spans)) {
        text += line + "\n";
    }
    text += std::to_string(report::GapCount(spans)) + " gaps in capture\n";
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() ? 0 : 1;
}

void WarnAboutGaps(const TReportOptions& options, std::ostream& err) {
    bool readable = false;
    const std::size_t gaps = report::GapCount(SpansOf(options, readable));
    if (readable && gaps > 0) {
        err << "tallyvox-report: warning: capture has " << gaps
            << " gaps in this period (see --coverage): the totals may lack calls\n";
    }
}

} // namespace tallyvox::reportcli
