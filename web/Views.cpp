#include "web/Views.h"

#include "report/Totals.h"
#include "text/Cp1251.h"
#include "web/Html.h"

namespace tallyvox::web {

namespace {

report::TCallList KeptCalls(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept) {
    report::TCallList list;
    list.Reserve(kept.size());
    for (const std::uint32_t i : kept) {
        list.Append(calls.Calls[i]);
    }
    return list;
}

std::string Row(const char* cell, const std::vector<report::TCell>& cells,
                const std::vector<report::TColumn>& columns) {
    std::string html = "<tr>";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const bool figure = columns[i].Kind != report::TCellKind::Text &&
                            columns[i].Kind != report::TCellKind::Phone;
        html += std::string("<") + cell + (figure ? " class=\"n\">" : ">") +
                HtmlEscaped(text::Cp1251ToUtf8(report::CellText(cells[i]))) + "</" + cell + ">";
    }
    return html + "</tr>";
}

} // namespace

TScopedViews::TScopedViews(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                           const report::TTariffTable& table, const report::TDirectory& directory)
    : Calls(KeptCalls(calls, kept)), Rows(Calls), Lines(report::BuildLineList(Calls)),
      Trunks(report::BuildTrunkList(Calls)),
      Costs(calls.Priced ? report::PriceCalls(Calls, table) : report::TCostReport{}),
      Views(std::make_unique<report::TCostViews>(Rows, Lines, Trunks, Costs, table)),
      Shown(std::make_unique<report::TShownViews>(*Views, Rows, directory)),
      Groups(std::make_unique<report::TDirectoryViews>(Calls, calls.Priced ? &Costs : nullptr,
                                                       table, directory)) {}

std::string ViewTable(const report::TCostView& view) {
    const std::vector<report::TColumn>& columns = view.Columns();
    std::string html = "<table class=\"view\"><tr>";
    for (const report::TColumn& column : columns) {
        html += "<th>" + HtmlEscaped(text::Cp1251ToUtf8(column.Title)) + "</th>";
    }
    html += "</tr>";
    for (std::size_t row = 0; row < view.RowCount(); ++row) {
        std::vector<report::TCell> cells;
        for (std::size_t column = 0; column < columns.size(); ++column) {
            cells.push_back(view.Cell(row, column));
        }
        html += Row("td", cells, columns);
    }
    return html + Row("th", view.Totals(), columns) + "</table>";
}

} // namespace tallyvox::web
