#include "app/CostGridModel.h"

#include <QFont>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>

#include "app/QtText.h"

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

TCostGridModel::TCostGridModel(report::TViewKind kind, QObject* parent)
    : QAbstractTableModel(parent), Kind(kind) {}

const report::TCostView* TCostGridModel::View() const {
    return Views == nullptr ? nullptr : &Views->View(Kind);
}

void TCostGridModel::SetViews(const report::TCostViews* views,
                              const report::TDateFormat* dateFormat) {
    beginResetModel();
    Views = views;
    DateFormat = dateFormat;
    Totals = views == nullptr ? std::vector<report::TCell>{} : View()->Totals();
    endResetModel();
}

void TCostGridModel::Refresh() {
    SetViews(Views, DateFormat);
}

int TCostGridModel::rowCount(const QModelIndex& parent) const {
    // The totals row follows the rows.
    return parent.isValid() || View() == nullptr ? 0 : static_cast<int>(View()->RowCount()) + 1;
}

int TCostGridModel::columnCount(const QModelIndex& parent) const {
    // The columns stay while the views are being replaced: the window lays
    // them out on every reset.
    return parent.isValid() ? 0 : static_cast<int>(report::ViewColumns(Kind).size());
}

QVariant TCostGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    const bool totals = row == View()->RowCount();
    if (role == Qt::FontRole && totals) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::TextAlignmentRole) {
        return IsFigure(report::ViewColumns(Kind)[column].Kind)
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const report::TCell cell = totals ? (column < Totals.size() ? Totals[column] : report::TCell{})
                                      : View()->Cell(row, column);
    if (cell.Kind == report::TCellKind::Date && DateFormat != nullptr) {
        return ToQString(DateFormat->Format(cell.Date));
    }
    return ToQString(report::CellText(cell));
}

QVariant TCostGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount()) {
        return {};
    }
    return ToQString(report::ViewColumns(Kind)[static_cast<std::size_t>(section)].Title);
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
    const int* extra = ownColumns == CallOwnColumns ? CallExtraWidths : TotalsExtraWidths;
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
            const int width = std::max(extra[column - ownColumns], least(column));
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
