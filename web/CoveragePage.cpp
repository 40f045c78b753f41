#include "web/CoveragePage.h"

#include <cstdio>

#include "report/Coverage.h"

namespace tallyvox::web {

namespace {

std::string TimeText(const TCalendarTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", time.Day, time.Month,
                  time.Year, time.Hour, time.Minute, time.Second);
    return text;
}

// What a span was: reading (which exchange, how many calls), a pause that lost
// nothing, or a gap and why.
std::string StateText(const report::TCoverageSpan& span) {
    if (span.Reading) {
        return "запись: " + span.Model + ", № " + span.Serial +
               (span.Records >= 0 ? ", звонков " + std::to_string(span.Records) : "");
    }
    if (span.Pause) {
        return "пауза: звонки дождались в АТС";
    }
    return "ПРОПУСК: " + span.Reason + (span.Detail.empty() ? "" : " (" + span.Detail + ")");
}

std::string SpanRow(const report::TCoverageSpan& span) {
    const bool gap = !span.Reading && !span.Pause;
    return std::string("<tr") + (gap ? " class=\"gap\"" : "") + "><td>" + TimeText(span.From) +
           "</td><td>" + (span.To ? TimeText(*span.To) : "идёт") + "</td><td class=\"num\">" +
           (span.To ? DurationText(static_cast<std::uint64_t>(report::SecondsOf(*span.To) -
                                                              report::SecondsOf(span.From)))
                    : "") +
           "</td><td>" + HtmlEscaped(StateText(span)) + "</td></tr>";
}

std::string SiteTable(const TSiteCoverage& site) {
    std::string html = site.Site.empty() ? "" : "<h2>" + HtmlEscaped(site.Site) + "</h2>";
    if (!site.Kept) {
        return html +
               "<p>Журнала записи нет: его ведёт tallyvox-collect рядом с файлом звонков.</p>";
    }
    html += "<p>Пропусков, в которых могли потеряться звонки: " +
            std::to_string(report::GapCount(site.Spans)) + "</p>";
    if (site.Spans.empty()) {
        return html;
    }
    html +=
        "<table class=\"coverage\"><tr><th>С</th><th>По</th><th>Длит.</th><th>Что было</th></tr>";
    for (const report::TCoverageSpan& span : site.Spans) {
        html += SpanRow(span);
    }
    return html + "</table>";
}

} // namespace

std::string CoveragePage(const TFrame& frame, const TCallFilter& filter,
                         const std::vector<std::string>& faults,
                         const std::vector<TSiteCoverage>& coverage) {
    std::string body =
        "<form class=\"filter\" method=\"get\" action=\"/coverage\"><label>С<input "
        "type=\"date\" name=\"from\" value=\"" +
        HtmlEscaped(filter.From) + "\"></label><label>По<input type=\"date\" name=\"to\" value=\"" +
        HtmlEscaped(filter.To) + "\"></label><button type=\"submit\">Показать</button></form>";
    for (const std::string& fault : faults) {
        body += "<p class=\"fault\">" + HtmlEscaped(fault) + "</p>";
    }
    for (const TSiteCoverage& site : coverage) {
        body += SiteTable(site);
    }
    return Page(frame, "Запись звонков", body);
}

} // namespace tallyvox::web
