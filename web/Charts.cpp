#include "web/Charts.h"

#include <algorithm>
#include <cstdio>

#include "report/TrafficCharts.h"
#include "text/Format.h"
#include "web/Html.h"

namespace tallyvox::web {

namespace {

struct TBar {
    std::string Label; // under the bar, when there is room
    std::string Name;  // in the bar's tooltip
    report::TTrafficBar Traffic;
};

constexpr int Height = 160;  // of the bars' area
constexpr int BarWidth = 14; // with the gap
constexpr int Left = 8;
constexpr int Top = 8;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Rectangle(int x, double y, double height, const char* colour) {
    return "<rect x=\"" + std::to_string(x) + "\" y=\"" + Number(y) + "\" width=\"" +
           std::to_string(BarWidth - 3) + "\" height=\"" + Number(height) + "\" fill=\"" + colour +
           "\"/>";
}

std::string Tooltip(const TBar& bar) {
    const report::TTrafficBar& t = bar.Traffic;
    return "<title>" + HtmlEscaped(bar.Name) + ": исходящих " + std::to_string(t.OutCalls) + " (" +
           DurationText(t.OutSeconds) + "), входящих " + std::to_string(t.InCalls) + " (" +
           DurationText(t.InSeconds) + ")</title>";
}

// Stacked bars of talk time, outgoing below incoming, scaled to the longest;
// every labelEvery-th bar labelled.
std::string BarChart(const std::string& caption, const std::vector<TBar>& bars,
                     std::size_t labelEvery) {
    std::uint64_t longest = 1;
    for (const TBar& bar : bars) {
        longest = std::max(longest, bar.Traffic.Seconds());
    }
    const int width = Left * 2 + BarWidth * static_cast<int>(bars.size());
    std::string svg =
        "<figure><figcaption>" + HtmlEscaped(caption) + ", наибольшее " + DurationText(longest) +
        "</figcaption><svg xmlns=\"http://www.w3.org/2000/svg\" "
        "role=\"img\" width=\"" +
        std::to_string(width) + "\" height=\"" + std::to_string(Top + Height + 20) + "\">";
    const double scale = static_cast<double>(Height) / static_cast<double>(longest);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const int x = Left + BarWidth * static_cast<int>(i);
        const double out = static_cast<double>(bars[i].Traffic.OutSeconds) * scale;
        const double in = static_cast<double>(bars[i].Traffic.InSeconds) * scale;
        const double base = Top + Height;
        svg += "<g>" + Tooltip(bars[i]) + Rectangle(x, base - out, out, "#2f5d8a") +
               Rectangle(x, base - out - in, in, "#8fb3d9") +
               Rectangle(x, Top, base - out - in - Top, "transparent") + "</g>";
        if (i % labelEvery == 0) {
            svg += "<text x=\"" + std::to_string(x) + "\" y=\"" +
                   std::to_string(Top + Height + 14) + "\" font-size=\"10\">" +
                   HtmlEscaped(bars[i].Label) + "</text>";
        }
    }
    svg += "<line x1=\"" + std::to_string(Left) + "\" y1=\"" + std::to_string(Top + Height) +
           "\" x2=\"" + std::to_string(width - Left) + "\" y2=\"" + std::to_string(Top + Height) +
           "\" stroke=\"#444\"/>";
    return svg + "</svg></figure>";
}

// A bar a day fits a page for a quarter; a longer period is not drawn by days.
constexpr std::int64_t MostDays = 92;

// The days the day chart would have: the period's, an open end at the calls'.
std::int64_t DaysOf(const report::TPeriod& period, const std::vector<report::TExtStr_rep>& calls) {
    if (calls.empty() && (!period.From || !period.To)) {
        return 0;
    }
    const auto [first, last] = std::minmax_element(
        calls.begin(), calls.end(), [](const report::TExtStr_rep& a, const report::TExtStr_rep& b) {
            return report::SecondsOf(a.Start) < report::SecondsOf(b.Start);
        });
    const std::int64_t from = report::SecondsOf(period.From ? *period.From : first->Start);
    const std::int64_t to = report::SecondsOf(period.To ? *period.To : last->Start);
    return (to - from) / 86400 + 1;
}

} // namespace

std::string TrafficCharts(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                          const report::TPeriod& period) {
    std::vector<report::TExtStr_rep> shown;
    shown.reserve(kept.size());
    for (const std::uint32_t i : kept) {
        shown.push_back(calls.Calls[i]);
    }
    std::vector<TBar> hours;
    const auto byHour = report::TrafficByHour(shown);
    for (int hour = 0; hour < 24; ++hour) {
        hours.push_back({text::TwoDigits(hour), text::TwoDigits(hour) + ":00", byHour[hour]});
    }
    std::vector<TBar> days;
    if (DaysOf(period, shown) <= MostDays) {
        for (const report::TDayTraffic& day : report::TrafficByDay(shown, period)) {
            const std::string date =
                text::TwoDigits(day.Day.Day) + "." + text::TwoDigits(day.Day.Month);
            days.push_back({date, date + "." + std::to_string(day.Day.Year), day.Traffic});
        }
    }
    std::string html = "<div class=\"charts\"><p class=\"legend\"><span class=\"out\">■</span> "
                       "исходящие <span class=\"in\">■</span> входящие</p>";
    html += BarChart("Время разговоров по часам суток", hours, 3);
    html +=
        days.empty()
            ? "<p>По дням — за период не длиннее " + std::to_string(MostDays) + " дней.</p>"
            : BarChart("Время разговоров по дням", days, std::max<std::size_t>(1, days.size() / 8));
    return html + "</div>";
}

} // namespace tallyvox::web
