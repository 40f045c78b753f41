#include "reportmail/ReportSummary.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "report/CostViews.h"
#include "report/MaskDigits.h"
#include "report/Money.h"
#include "text/Cp1251.h"
#include "text/HtmlText.h"

namespace tallyvox::reportmail {

namespace {

constexpr std::size_t DearestDestinations = 5;
constexpr std::size_t DearestCalls = 10;
constexpr std::size_t LongestTalkers = 10;

std::string Utf8(std::string_view cp1251) {
    return text::Cp1251ToUtf8(cp1251);
}

std::string Shown(report::TCellKind kind, std::int64_t number, const report::TDateTime& date = {}) {
    return Utf8(report::CellText({kind, {}, number, date}));
}

std::string Duration(std::uint64_t seconds) {
    return Shown(report::TCellKind::Duration, static_cast<std::int64_t>(seconds));
}

std::string Money(report::TCents cents) {
    return Utf8(report::CentsText(cents, ','));
}

// A dialled number as the reader may see it.
std::string Number(std::string_view dialled, unsigned maskDigits) {
    return Utf8(maskDigits > 0 ? report::MaskDigits(dialled, maskDigits) : std::string(dialled));
}

bool WholeDays(const report::TPeriod& period) {
    return period.From && period.To && period.From->Hour == 0 && period.From->Minute == 0 &&
           period.From->Second == 0 && period.To->Hour == 23 && period.To->Minute == 59 &&
           period.To->Second == 59;
}

// The name the directory gives each hardware line, by its latest call.
std::unordered_map<std::string, std::string> LineNames(const report::TCallList& calls,
                                                       const report::TDirectory* directory) {
    std::unordered_map<std::string, std::string> names;
    if (directory == nullptr || directory->Empty()) {
        return names;
    }
    for (const report::TExtStr_rep& call : calls) {
        if (const report::TDirectoryEntry* person = directory->PersonOf(call)) {
            names[std::string(call.HardwareLine)] = Utf8(person->Name);
        }
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> Facts(const report::TReportSession& session,
                                                       const report::TPeriod& period) {
    const report::TCallList& calls = session.Calls();
    const std::uint64_t seconds = std::accumulate(
        calls.begin(), calls.end(), std::uint64_t{0},
        [](std::uint64_t sum, const report::TExtStr_rep& call) { return sum + call.TotalSeconds; });
    std::vector<std::pair<std::string, std::string>> facts{
        {"Период", PeriodDays(period)},
        {"Звонков", std::to_string(calls.Count())},
        {"Время разговоров", Duration(seconds)},
    };
    if (!session.Priced()) {
        facts.emplace_back("Итого", "звонки не оценены: тарифы не заданы");
        return facts;
    }
    facts.emplace_back("Итого", Money(session.Costs().Total));
    facts.emplace_back("Без тарифа", std::to_string(session.Costs().Unpriced) + " исх. звонков");
    return facts;
}

TSummaryTable Destinations(const report::TCostReport& costs) {
    TSummaryTable table{"Самые дорогие направления",
                        {"Направление", "Звонков", "Время", "Стоимость"},
                        {},
                        "нет оценённых звонков",
                        1};
    for (const report::TCostEntry& entry : costs.Destinations) {
        if (table.Rows.size() == DearestDestinations) {
            break;
        }
        table.Rows.push_back({Utf8(entry.Key), std::to_string(entry.Calls),
                              Duration(entry.BilledSeconds), Money(entry.Cost)});
    }
    return table;
}

TSummaryTable Calls(const report::TReportSession& session, const TSummaryScope& scope,
                    const std::unordered_map<std::string, std::string>& names) {
    const report::TCallList& calls = session.Calls();
    const std::vector<report::TCallCost>& costs = session.Costs().Calls;
    std::vector<std::size_t> dearest;
    for (std::size_t i = 0; i < costs.size(); ++i) {
        if (costs[i].Cost > 0) {
            dearest.push_back(i);
        }
    }
    // The dearest first; of equal cost, the earlier call.
    std::stable_sort(dearest.begin(), dearest.end(),
                     [&](std::size_t a, std::size_t b) { return costs[a].Cost > costs[b].Cost; });
    dearest.resize(std::min(dearest.size(), DearestCalls));
    TSummaryTable table{"Самые дорогие звонки",
                        {"Дата", "Время", "Линия", "Абонент", "Номер", "Длительность", "Стоимость"},
                        {},
                        "нет оценённых звонков",
                        5};
    for (const std::size_t i : dearest) {
        const report::TExtStr_rep& call = calls[i];
        const auto name = names.find(std::string(call.HardwareLine));
        table.Rows.push_back(
            {Shown(report::TCellKind::Date, 0, call.Start),
             Shown(report::TCellKind::Time, 0, call.Start), Utf8(call.HardwareLine),
             name == names.end() ? "" : name->second, Number(call.DialledNumber, scope.MaskDigits),
             Duration(static_cast<std::uint64_t>(call.TotalSeconds)), Money(costs[i].Cost)});
    }
    return table;
}

TSummaryTable Talkers(const report::TLineList& lines,
                      const std::unordered_map<std::string, std::string>& names) {
    std::vector<const report::TAL_rep*> longest;
    for (const report::TAL_rep& line : lines) {
        longest.push_back(&line);
    }
    std::stable_sort(longest.begin(), longest.end(),
                     [](const report::TAL_rep* a, const report::TAL_rep* b) {
                         return a->TotalSeconds > b->TotalSeconds;
                     });
    longest.resize(std::min(longest.size(), LongestTalkers));
    TSummaryTable table{"Дольше всех говорили",
                        {"Линия", "Номер", "Абонент", "Исходящие", "Входящие", "Всего"},
                        {},
                        "звонков не было",
                        3};
    for (const report::TAL_rep* line : longest) {
        const auto name = names.find(line->HardwareLine);
        table.Rows.push_back({Utf8(line->HardwareLine), Utf8(line->ProgramNumber),
                              name == names.end() ? "" : name->second,
                              Duration(line->OutTotalSeconds), Duration(line->InTotalSeconds),
                              Duration(line->TotalSeconds)});
    }
    return table;
}

// The column of names only when the directory named someone.
void DropEmptyColumn(TSummaryTable& table, const std::string& column) {
    const auto at = std::find(table.Columns.begin(), table.Columns.end(), column);
    if (at == table.Columns.end()) {
        return;
    }
    const std::size_t index = static_cast<std::size_t>(at - table.Columns.begin());
    if (std::any_of(table.Rows.begin(), table.Rows.end(),
                    [&](const auto& row) { return !row[index].empty(); })) {
        return;
    }
    table.Columns.erase(at);
    for (auto& row : table.Rows) {
        row.erase(row.begin() + static_cast<std::ptrdiff_t>(index));
    }
    if (index < table.FiguresFrom && table.FiguresFrom != SIZE_MAX) {
        --table.FiguresFrom;
    }
}

TSummaryTable Alerts(const std::vector<TSummaryAlert>& alerts, unsigned maskDigits) {
    TSummaryTable table{"Тревоги за период",
                        {"Правило", "Дата", "Время", "Линия", "Номер", "Длительность"},
                        {},
                        "не было",
                        5};
    for (const TSummaryAlert& alert : alerts) {
        table.Rows.push_back({alert.Rule, Shown(report::TCellKind::Date, 0, alert.Start),
                              Shown(report::TCellKind::Time, 0, alert.Start),
                              Utf8(alert.HardwareLine), Number(alert.DialledNumber, maskDigits),
                              Duration(alert.Seconds)});
    }
    return table;
}

TSummaryTable Lines(std::string caption, const std::vector<std::string>& lines, std::string column,
                    std::string empty) {
    TSummaryTable table{std::move(caption), {std::move(column)}, {}, std::move(empty)};
    for (const std::string& line : lines) {
        table.Rows.push_back({line});
    }
    return table;
}

std::string Title(const TSummaryScope& scope, const report::TPeriod& period) {
    std::string title = "Звонки";
    for (const std::string* part : {&scope.Site, &scope.Department}) {
        if (!part->empty()) {
            title += ", " + *part;
        }
    }
    return title + ": " + PeriodDays(period);
}

// The width of a UTF-8 text in characters.
std::size_t Width(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Padded(const std::string& text, std::size_t width, bool right) {
    const std::string padding(width - std::min(width, Width(text)), ' ');
    return right ? padding + text : text + padding;
}

std::string TableText(const TSummaryTable& table) {
    std::string text = table.Caption + "\n";
    if (table.Rows.empty()) {
        return text + "  " + table.Empty + "\n";
    }
    std::vector<std::size_t> widths;
    for (const std::string& column : table.Columns) {
        widths.push_back(Width(column));
    }
    for (const auto& row : table.Rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], Width(row[c]));
        }
    }
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string out = " ";
        for (std::size_t c = 0; c < cells.size(); ++c) {
            out += " " + Padded(cells[c], widths[c], c >= table.FiguresFrom);
        }
        out.erase(out.find_last_not_of(' ') + 1);
        return out + "\n";
    };
    text += line(table.Columns);
    for (const auto& row : table.Rows) {
        text += line(row);
    }
    return text;
}

std::string TableHtml(const TSummaryTable& table) {
    std::string html =
        "<h3 style=\"margin:1.2em 0 0.4em\">" + text::HtmlEscaped(table.Caption) + "</h3>\n";
    if (table.Rows.empty()) {
        return html + "<p style=\"color:#555\">" + text::HtmlEscaped(table.Empty) + "</p>\n";
    }
    const auto align = [&](std::size_t column) {
        return column >= table.FiguresFrom ? "right" : "left";
    };
    html += "<table style=\"border-collapse:collapse\">\n<tr>";
    for (std::size_t c = 0; c < table.Columns.size(); ++c) {
        html += std::string("<th style=\"text-align:") + align(c) +
                ";border-bottom:1px solid #888;padding:2px 6px\">" +
                text::HtmlEscaped(table.Columns[c]) + "</th>";
    }
    html += "</tr>\n";
    for (const auto& row : table.Rows) {
        html += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            html += std::string("<td style=\"text-align:") + align(c) +
                    ";padding:2px 6px;white-space:nowrap\">" + text::HtmlEscaped(row[c]) + "</td>";
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

std::string PeriodDays(const report::TPeriod& period) {
    if (!WholeDays(period)) {
        return report::PeriodCaption(period);
    }
    const std::string from = Shown(report::TCellKind::Date, 0, *period.From);
    const std::string to = Shown(report::TCellKind::Date, 0, *period.To);
    return from == to ? from : from + " – " + to;
}

TReportSummary SummaryOf(const report::TReportSession& session, const TSummaryScope& scope,
                         const std::vector<TSummaryAlert>& alerts,
                         const std::vector<std::string>& gaps) {
    const auto names = LineNames(session.Calls(), scope.Directory);
    TReportSummary summary{Title(scope, session.Period()), Facts(session, session.Period()), {}};
    if (!scope.Department.empty()) {
        summary.Facts.insert(summary.Facts.begin(), {"Отдел", scope.Department});
    }
    if (session.Priced()) {
        summary.Tables.push_back(Destinations(session.Costs()));
        summary.Tables.push_back(Calls(session, scope, names));
    }
    summary.Tables.push_back(Talkers(session.Lines(), names));
    for (TSummaryTable& table : summary.Tables) {
        DropEmptyColumn(table, "Абонент");
    }
    summary.Tables.push_back(Alerts(alerts, scope.MaskDigits));
    summary.Tables.push_back(Lines("Пропуски в записи звонков", gaps, "Когда и почему", "не было"));
    return summary;
}

std::string SummaryText(const TReportSummary& summary) {
    std::string text = summary.Title + "\n\n";
    for (const auto& [name, value] : summary.Facts) {
        text += name + ": " + value + "\n";
    }
    for (const TSummaryTable& table : summary.Tables) {
        text += "\n" + TableText(table);
    }
    return text + "\nВсе звонки периода — в приложенной книге.\n";
}

std::string SummaryHtml(const TReportSummary& summary) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>" +
                       text::HtmlEscaped(summary.Title) +
                       "</title></head>\n<body style=\"font-family:Arial,sans-serif;font-size:14px;"
                       "color:#222\">\n<h2>" +
                       text::HtmlEscaped(summary.Title) + "</h2>\n<table>\n";
    for (const auto& [name, value] : summary.Facts) {
        html += "<tr><td style=\"padding:2px 12px 2px 0;color:#555\">" + text::HtmlEscaped(name) +
                "</td><td><b>" + text::HtmlEscaped(value) + "</b></td></tr>\n";
    }
    html += "</table>\n";
    for (const TSummaryTable& table : summary.Tables) {
        html += TableHtml(table);
    }
    return html + "<p style=\"margin-top:1.5em;color:#555\">Все звонки периода — в приложенной "
                  "книге.</p>\n</body></html>\n";
}

} // namespace tallyvox::reportmail
