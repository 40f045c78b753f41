#include "reportcli/Tables.h"

#include <algorithm>
#include <vector>

#include "report/Cells.h"
#include "report/DirectoryTotals.h"
#include "report/Load.h"
#include "text/Cp1251.h"

namespace tallyvox::reportcli {

namespace {

using TRow = std::vector<std::string>; // UTF-8 cells

std::size_t DisplayWidth(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Columns two blanks apart, each as wide as its widest cell; no trailing blanks.
std::string Table(const std::vector<TRow>& rows) {
    std::vector<std::size_t> widths;
    for (const TRow& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
        }
    }
    std::string out;
    for (const TRow& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line.append(widths[i] - DisplayWidth(row[i]) + 2, ' ');
            }
        }
        out += line + "\n";
    }
    return out;
}

template <std::size_t N, class TList, class TCellOf>
std::vector<TRow> Rows(const std::array<std::string, N>& titles, const TList& list,
                       TCellOf cellOf) {
    std::vector<TRow> rows;
    TRow title;
    for (const std::string& cell : titles) {
        title.push_back(text::Cp1251ToUtf8(cell));
    }
    rows.push_back(title);
    for (const auto& entry : list) {
        TRow row;
        for (std::size_t i = 0; i < N; ++i) {
            row.push_back(text::Cp1251ToUtf8(cellOf(entry, static_cast<int>(i))));
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<TRow> ViewRows(const report::TCostView& view) {
    std::vector<TRow> rows;
    TRow title;
    for (const report::TColumn& column : view.Columns()) {
        title.push_back(text::Cp1251ToUtf8(column.Title));
    }
    rows.push_back(title);
    auto cells = [](const std::vector<report::TCell>& cells) {
        TRow row;
        for (const report::TCell& cell : cells) {
            row.push_back(text::Cp1251ToUtf8(report::CellText(cell)));
        }
        return row;
    };
    for (std::size_t row = 0; row < view.RowCount(); ++row) {
        std::vector<report::TCell> line;
        for (std::size_t column = 0; column < view.Columns().size(); ++column) {
            line.push_back(view.Cell(row, column));
        }
        rows.push_back(cells(line));
    }
    rows.push_back(cells(view.Totals()));
    return rows;
}

} // namespace

std::string CostTables(std::size_t lineCount, const report::TShownViews& views,
                       const std::vector<std::string>& heading) {
    std::string out = text::Cp1251ToUtf8(report::LineCountCaption(lineCount)) + "\n";
    for (const std::string& line : heading) {
        out += line + "\n";
    }
    // Every view but the calls, which are too many for a terminal.
    for (std::size_t kind = 1; kind < views.Count(); ++kind) {
        const report::TReportView& view = views.View(static_cast<report::TViewKind>(kind));
        out += "\n" + text::Cp1251ToUtf8(view.Name()) + "\n" + Table(ViewRows(view));
    }
    return out;
}

std::string DirectoryTables(const report::TDirectoryViews& views) {
    std::string out;
    for (const report::TCostView* view : {&views.Departments(), &views.CostCentres()}) {
        out += "\n" + text::Cp1251ToUtf8(view->Name()) + "\n" + Table(ViewRows(*view));
    }
    if (!views.UnassignedLines().empty()) {
        out += std::string("\n") + report::UnassignedCaption + ":";
        for (const std::string& line : views.UnassignedLines()) {
            out += " " + text::Cp1251ToUtf8(line);
        }
        out += "\n";
    }
    return out;
}

std::string TotalsTables(std::size_t lineCount, const report::TLineList& lines,
                         const report::TTrunkList& trunks) {
    return text::Cp1251ToUtf8(report::LineCountCaption(lineCount)) + "\n\n" + "АЛ\n" +
           Table(Rows(report::LineGridTitles(), lines, report::LineCell)) + "\n" + "СЛ\n" +
           Table(Rows(report::TrunkGridTitles(), trunks, report::TrunkCell));
}

} // namespace tallyvox::reportcli
