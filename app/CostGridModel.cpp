#include "app/CostGridModel.h"

#include <QFont>
#include <QTableView>

#include "app/QtText.h"

namespace tallyvox::app {

namespace {

// Columns the priced grids add after the window's own, and their widths.
constexpr int CallExtraWidths[] = {70, 130, 80};
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
    return parent.isValid() || View() == nullptr ? 0 : static_cast<int>(View()->Columns().size());
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
        return IsFigure(View()->Columns()[column].Kind)
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
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || View() == nullptr ||
        section < 0 || section >= columnCount()) {
        return {};
    }
    return ToQString(View()->Columns()[static_cast<std::size_t>(section)].Title);
}

void FitPricedColumns(QTableView* grid, int ownColumns) {
    const int columns = grid->model()->columnCount();
    if (columns <= ownColumns) {
        return;
    }
    const int* extra = ownColumns == CallOwnColumns ? CallExtraWidths : TotalsExtraWidths;
    int total = 0;
    for (int column = 0; column < columns; ++column) {
        if (column >= ownColumns) {
            grid->setColumnWidth(column, extra[column - ownColumns]);
        }
        total += grid->columnWidth(column);
    }
    const int room = grid->viewport()->width() - 2;
    if (total <= room || total == 0) {
        return;
    }
    for (int column = 0; column < columns; ++column) {
        grid->setColumnWidth(column, grid->columnWidth(column) * room / total);
    }
}

} // namespace tallyvox::app
