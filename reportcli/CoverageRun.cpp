#include "reportcli/CoverageRun.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string>

#include "report/Coverage.h"
#include "reportcli/StoreSource.h"
#include "text/Cp1251.h"

namespace tallyvox::reportcli {
namespace {

// The capture spans of one source: the call file's journal, or a site of the store.
struct TCoverageSource {
    std::string Site; // empty for the call file
    std::vector<report::TCoverageSpan> Spans;
};

// The sources' spans within the period; nothing when there is no journal or the
// store cannot be read (err says why when told to).
std::optional<std::vector<TCoverageSource>>
SourcesOf(const TReportOptions& options, const report::TPeriod& period, std::ostream* err) {
    std::vector<TCoverageSource> sources;
    if (options.Store) {
        try {
            for (auto& [site, spans] :
                 LoadStoreCoverage(options, report::CalendarBound(period.From))) {
                sources.push_back({site, std::move(spans)});
            }
        } catch (const std::runtime_error& error) {
            if (err != nullptr) {
                *err << "tallyvox-report: cannot read the store's coverage: " << error.what()
                     << "\n";
            }
            return std::nullopt;
        }
    } else {
        bool readable = false;
        const std::string journal =
            callfile::CoverageJournalOf(text::Utf8ToCp1251(options.CallFile));
        sources.push_back(
            {"", report::CoverageSpans(report::LoadCoverageJournal(journal, &readable))});
        if (!readable) {
            if (err != nullptr) {
                *err << "tallyvox-report: no coverage journal " << options.CallFile
                     << ".coverage (the collector keeps one beside the call file)\n";
            }
            return std::nullopt;
        }
    }
    for (TCoverageSource& source : sources) {
        source.Spans = report::SpansWithin(source.Spans, report::CalendarBound(period.From),
                                           report::CalendarBound(period.To));
    }
    return sources;
}

} // namespace

int PrintCoverage(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
                  std::ostream& err) {
    const std::optional<std::vector<TCoverageSource>> sources = SourcesOf(options, period, &err);
    if (!sources) {
        return 1;
    }
    std::string text;
    std::size_t gaps = 0;
    for (const TCoverageSource& source : *sources) {
        if (!source.Site.empty()) {
            text += "site " + source.Site + ":\n";
        }
        for (const std::string& line : report::CoverageLines(source.Spans)) {
            text += line + "\n";
        }
        gaps += report::GapCount(source.Spans);
    }
    text += std::to_string(gaps) + " gaps in capture\n";
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() ? 0 : 1;
}

std::vector<std::string> GapLines(const TReportOptions& options, const report::TPeriod& period) {
    std::vector<std::string> lines;
    for (const TCoverageSource& source :
         SourcesOf(options, period, nullptr).value_or(std::vector<TCoverageSource>{})) {
        std::vector<report::TCoverageSpan> gaps;
        std::copy_if(
            source.Spans.begin(), source.Spans.end(), std::back_inserter(gaps),
            [](const report::TCoverageSpan& span) { return !span.Reading && !span.Pause; });
        for (const std::string& line : report::CoverageLines(gaps)) {
            lines.push_back(source.Site.empty() ? line : source.Site + ": " + line);
        }
    }
    return lines;
}

void WarnAboutGaps(const TReportOptions& options, const report::TPeriod& period,
                   std::ostream& err) {
    std::size_t gaps = 0;
    for (const TCoverageSource& source :
         SourcesOf(options, period, nullptr).value_or(std::vector<TCoverageSource>{})) {
        gaps += report::GapCount(source.Spans);
    }
    if (gaps > 0) {
        err << "tallyvox-report: warning: capture has " << gaps
            << " gaps in this period (see --coverage): the totals may lack calls\n";
    }
}

} // namespace tallyvox::reportcli
