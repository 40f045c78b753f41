#include "web/Pages.h"

#include <algorithm>

#include "report/Period.h"
#include "text/Cp1251.h"

namespace tallyvox::web {

namespace {

std::string Utf8(std::string_view cp1251) {
    return text::Cp1251ToUtf8(std::string(cp1251));
}

std::string Cell(const std::string& text, bool number = false) {
    return std::string(number ? "<td class=\"n\">" : "<td>") + HtmlEscaped(text) + "</td>";
}

std::string FiguresBlock(const char* title, const TFigures& figures, bool priced) {
    return "<section><h2>" + std::string(title) +
           "</h2><p>Звонков: " + std::to_string(figures.Calls) +
           "<br>Время разговоров: " + DurationText(figures.Seconds) +
           (priced ? "<br>Стоимость: " + MoneyText(figures.Cost) : "") + "</p></section>";
}

std::string RankedTable(const char* title, const char* keyTitle, const std::vector<TRanked>& ranked,
                        bool priced) {
    std::string html = "<h2>" + std::string(title) + "</h2>";
    if (ranked.empty()) {
        return html + "<p>Нет звонков.</p>";
    }
    html += "<table><tr><th>" + std::string(keyTitle) + "</th><th>Звонков</th><th>Время</th>" +
            (priced ? "<th>Стоимость</th>" : "") + "</tr>";
    for (const TRanked& entry : ranked) {
        html += "<tr>" + Cell(Utf8(entry.Name)) + Cell(std::to_string(entry.Figures.Calls), true) +
                Cell(DurationText(entry.Figures.Seconds), true) +
                (priced ? Cell(MoneyText(entry.Figures.Cost), true) : "") + "</tr>";
    }
    return html + "</table>";
}

std::string Input(const char* label, const char* name, const std::string& value,
                  const char* type = "text") {
    return "<label>" + std::string(label) + "<input type=\"" + type + "\" name=\"" + name +
           "\" value=\"" + HtmlEscaped(value) + "\"></label>";
}

std::string DirectionSelect(const std::string& chosen) {
    std::string html = "<label>Направление<select name=\"direction\">";
    for (const auto& [value, caption] :
         {std::pair{"", "все"}, {"out", "исходящие"}, {"in", "входящие"}}) {
        html += "<option value=\"" + std::string(value) + "\"" +
                (chosen == value ? " selected" : "") + ">" + caption + "</option>";
    }
    return html + "</select></label>";
}

// The filter's fields; extra (HTML) goes before the button.
std::string FilterForm(const TCallFilter& filter, const char* action,
                       const std::string& extra = {}) {
    return "<form class=\"filter\" method=\"get\" action=\"" + std::string(action) + "\">" +
           Input("С", "from", filter.From, "date") + Input("По", "to", filter.To, "date") +
           Input("Линия", "line", filter.Line) + Input("Префикс номера", "prefix", filter.Prefix) +
           Input("Не короче, с", "min_duration", filter.MinDuration) +
           Input("Не дешевле", "min_cost", filter.MinCost) + DirectionSelect(filter.Direction) +
           Input("СЛ", "trunk", filter.Trunk) + extra +
           "<button type=\"submit\">Показать</button></form>";
}

// The line, with the name of the person the directory (when there is one) gives
// it on the call's start.
std::string LineText(const TCallsPage& page, const report::TExtStr_rep& call) {
    std::string line(LineDigits(call.HardwareLine));
    const report::TDirectoryEntry* person =
        page.Directory != nullptr ? page.Directory->PersonOf(call) : nullptr;
    if (person != nullptr && !person->Name.empty()) {
        line += " " + person->Name;
    }
    return Utf8(line);
}

std::string CallRow(const TCallsPage& page, std::uint32_t index) {
    const report::TExtStr_rep& call = page.Calls->Calls[index];
    const report::TCallCost cost =
        page.Calls->Priced ? page.Calls->Costs.Calls[index] : report::TCallCost{};
    const std::string start = report::DateTimeText(call.Start);
    return "<tr>" + Cell(start.substr(0, 10)) + Cell(start.substr(11)) +
           Cell(DurationText(static_cast<std::uint64_t>(call.TotalSeconds)), true) +
           Cell(LineText(page, call)) + Cell(Utf8(call.ProgramNumber)) + Cell(Utf8(call.Trunk)) +
           Cell(Utf8(page.Scope->Masked(call.DialledNumber))) +
           Cell(Utf8(page.Data->DestinationOf(cost))) +
           Cell(cost.Priced() ? MoneyText(cost.Cost) : "", true) + "</tr>";
}

std::string PageLinks(const TCallsPage& page, std::size_t pages) {
    const std::string query = page.Filter.Query();
    const auto link = [&](std::size_t number, const char* caption) {
        return "<a href=\"/calls?" + HtmlEscaped(query + (query.empty() ? "" : "&")) +
               "page=" + std::to_string(number) + "\">" + caption + "</a>";
    };
    std::string html = "<p>";
    if (page.Filter.Page > 1) {
        html += link(page.Filter.Page - 1, "← Назад") + " ";
    }
    html += "Страница " + std::to_string(page.Filter.Page) + " из " + std::to_string(pages);
    if (page.Filter.Page < pages) {
        html += " " + link(page.Filter.Page + 1, "Далее →");
    }
    return html + "</p>";
}

} // namespace

std::string SignInPage(const std::string& message, const std::string& user) {
    std::string body;
    if (!message.empty()) {
        body += "<p class=\"fault\">" + HtmlEscaped(message) + "</p>";
    }
    body += "<form method=\"post\" action=\"/login\"><p><label>Пользователь<br><input "
            "name=\"user\" autocomplete=\"username\" value=\"" +
            HtmlEscaped(user) +
            "\" required></label></p><p><label>Пароль<br><input type=\"password\" "
            "name=\"password\" autocomplete=\"current-password\" required></label></p>"
            "<p><button type=\"submit\">Войти</button></p></form>";
    return Page({}, "Вход", body);
}

std::string DashboardPage(const TFrame& frame, const TDashboard& dashboard,
                          const report::TDateTime& now, bool scopeResolves) {
    std::string body = "<p>На " + HtmlEscaped(report::DateTimeText(now)) + "</p>";
    if (!scopeResolves) {
        body += "<p class=\"fault\">Для вашей роли звонки пока не определены: обратитесь к "
                "администратору.</p>";
    }
    body += "<div class=\"figures\">" + FiguresBlock("Сегодня", dashboard.Today, dashboard.Priced) +
            FiguresBlock("Этот месяц", dashboard.Month, dashboard.Priced) + "</div>";
    if (dashboard.AlertsToday) {
        body +=
            "<p id=\"alerts\">Тревоги сегодня: " + std::to_string(*dashboard.AlertsToday) + "</p>";
    }
    body += RankedTable(dashboard.Priced ? "Самые дорогие линии за месяц"
                                         : "Самые занятые линии за месяц",
                        "Линия", dashboard.Lines, dashboard.Priced);
    if (dashboard.Priced) {
        body += RankedTable("Самые дорогие направления за месяц", "Направление",
                            dashboard.Destinations, true);
    }
    return Page(frame, "Обзор", body);
}

std::string CallsPage(const TFrame& frame, const TCallsPage& page) {
    std::string body = FilterForm(page.Filter, "/calls");
    if (!page.Faults.empty()) {
        for (const std::string& fault : page.Faults) {
            body += "<p class=\"fault\">" + HtmlEscaped(fault) + "</p>";
        }
        return Page(frame, "Звонки", body);
    }
    std::uint64_t seconds = 0;
    report::TCents cost = 0;
    for (const std::uint32_t i : page.Kept) {
        seconds += static_cast<std::uint64_t>(page.Calls->Calls[i].TotalSeconds);
        cost += page.Calls->Priced ? page.Calls->Costs.Calls[i].Cost : 0;
    }
    const std::string query = page.Filter.Query();
    body += "<p>Звонков: " + std::to_string(page.Kept.size()) +
            ", время разговоров: " + DurationText(seconds) +
            (page.Calls->Priced ? ", стоимость: " + MoneyText(cost) : "") +
            ". Выгрузить: <a id=\"export\" href=\"/calls.csv" +
            HtmlEscaped(query.empty() ? "" : "?" + query) +
            "\">CSV</a>, <a id=\"export-xlsx\" href=\"/calls.xlsx" +
            HtmlEscaped(query.empty() ? "" : "?" + query) + "\">книга Excel</a></p>";
    const std::size_t pages = std::max<std::size_t>(
        1, (page.Kept.size() + TCallsPage::RowsPerPage - 1) / TCallsPage::RowsPerPage);
    body += PageLinks(page, pages);
    body += "<table id=\"calls\"><tr><th>Дата</th><th>Время</th><th>Длит.</th><th>Линия</th>"
            "<th>Прг.</th><th>СЛ</th><th>Номер</th><th>Направление</th><th>Стоимость</th></tr>";
    const std::size_t first = (page.Filter.Page - 1) * TCallsPage::RowsPerPage;
    for (std::size_t row = first; row < page.Kept.size() && row < first + TCallsPage::RowsPerPage;
         ++row) {
        body += CallRow(page, page.Kept[row]);
    }
    return Page(frame, "Звонки", body + "</table>");
}

std::string ViewsPage(const TFrame& frame, const TCallFilter& filter, const std::string& kind,
                      bool departments, const std::vector<std::string>& faults,
                      const std::string& table) {
    std::vector<std::pair<const char*, const char*>> kinds{
        {"lines", "по линиям (АЛ)"}, {"trunks", "по СЛ"}, {"destinations", "по направлениям"}};
    if (departments) {
        kinds.emplace_back("departments", "по отделам");
    }
    std::string select = "<label>Сводка<select name=\"kind\">";
    for (const auto& [value, caption] : kinds) {
        select += "<option value=\"" + std::string(value) + "\"" +
                  (kind == value ? " selected" : "") + ">" + caption + "</option>";
    }
    std::string body = FilterForm(filter, "/views", select + "</select></label>");
    for (const std::string& fault : faults) {
        body += "<p class=\"fault\">" + HtmlEscaped(fault) + "</p>";
    }
    return Page(frame, "Сводки", body + table);
}

} // namespace tallyvox::web
