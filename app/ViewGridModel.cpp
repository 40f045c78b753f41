#include "app/ViewGridModel.h"

#include <QFont>
#include <QHeaderView>
#include <QLocale>
#include <QTableView>
#include <algorithm>
#include <span>

#include "app/QtText.h"
#include "qtadapters/LocaleDate.h"

namespace tallyvox::app {

namespace {

// Columns the priced grids add after the window's own, and their widths.
constexpr int CallExtraWidths[] = {90, 140, 80};
constexpr int TotalsExtraWidths[] = {60, 85};

bool IsFigure(report::TCellKind kind) {
    using K = report::TCellKind;
    return kind == K::Duration || kind == K::Count || kind == K::Money || kind == K::Minutes;
}

} // namespace

TViewGridModel::TViewGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TViewGridModel::SetView(const report::TReportView* view,
                             const report::TDateFormat* dateFormat) {
    beginResetModel();
    View = view;
    DateFormat = dateFormat;
    Totals = view == nullptr ? std::vector<report::TCell>{} : view->Totals();
    endResetModel();
}

void TViewGridModel::Refresh(const std::function<void()>& change) {
    beginResetModel();
    if (change) {
        change();
    }
    Totals = View == nullptr ? std::vector<report::TCell>{} : View->Totals();
    endResetModel();
}

int TViewGridModel::rowCount(const QModelIndex& parent) const {
    // The totals row, when there is one, follows the rows.
    return parent.isValid() || View == nullptr
               ? 0
               : static_cast<int>(View->RowCount()) + (Totals.empty() ? 0 : 1);
}

int TViewGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || View == nullptr ? 0 : static_cast<int>(View->Columns().size());
}

QVariant TViewGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    const bool totals = row == View->RowCount();
    if (role == Qt::FontRole && totals) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    // A view with a totals row is a priced one: its figures stand right.
    if (role == Qt::TextAlignmentRole && !Totals.empty()) {
        return IsFigure(View->Columns()[column].Kind) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const report::TCell cell = totals ? (column < Totals.size() ? Totals[column] : report::TCell{})
                                      : View->Cell(row, column);
    if (cell.Kind == report::TCellKind::Date && DateFormat != nullptr) {
        return ToQString(DateFormat->Format(cell.Date));
    }
    return ToQString(report::CellText(cell));
}

QVariant TViewGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount()) {
        return {};
    }
    return ToQString(View->Columns()[static_cast<std::size_t>(section)].Title);
}

report::TDateFormat UserShortDateFormat() {
    return reportcli::LocaleDateFormat(QLocale());
}

QFontMetrics BoldMetrics(const QTableView* grid) {
    QFont bold = grid->font();
    bold.setBold(true);
    return QFontMetrics(bold);
}

void FitPricedColumns(QTableView* grid, int ownColumns) {
    const QAbstractItemModel* model = grid->model();
    const int columns = model->columnCount();
    if (columns <= ownColumns) {
        return;
    }
    // The priced columns' widths; a column past them (the directory's names add
    // columns to a grid) is as wide as its title, first cell and total.
    const std::span<const int> extra = ownColumns == CallOwnColumns
                                           ? std::span<const int>(CallExtraWidths)
                                           : std::span<const int>(TotalsExtraWidths);
    int own = 0;
    int added = 0;
    const QFontMetrics cells = grid->fontMetrics();
    const QFontMetrics titles = grid->horizontalHeader()->fontMetrics();
    // The totals row is the last, in bold: its figures are the widest of their columns.
    const QFontMetrics totals = BoldMetrics(grid);
    const int totalsRow = model->rowCount() - 1;
    const auto least = [&](int column) {
        return std::max(
                   {titles.horizontalAdvance(model->headerData(column, Qt::Horizontal).toString()),
                    cells.horizontalAdvance(model->index(0, column).data().toString()),
                    totals.horizontalAdvance(model->index(totalsRow, column).data().toString())}) +
               12;
    };
    for (int column = 0; column < columns; ++column) {
        if (column >= ownColumns) {
            const auto at = static_cast<std::size_t>(column - ownColumns);
            const int width = std::max(at < extra.size() ? extra[at] : 0, least(column));
            grid->setColumnWidth(column, width);
            added += width;
        } else {
            own += grid->columnWidth(column);
        }
    }
    // The window's own columns make room for the added ones, each no narrower
    // than its title, its first cell and its total.
    // As the window's own rule, 30 pixels stay free for the scroll bar (the
    // viewport is not resized yet while the grid's resize is handled).
    const int room = grid->width() - 30 - added;
    if (own <= room || own == 0) {
        return;
    }
    for (int column = 0; column < ownColumns; ++column) {
        grid->setColumnWidth(
            column, std::max(least(column), grid->columnWidth(column) * std::max(room, 0) / own));
    }
}

} // namespace tallyvox::app
