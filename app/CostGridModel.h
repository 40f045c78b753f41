#pragma once
// A priced view of the report (calls, lines, trunks or destinations) as a table
// model, with the view's totals row under its rows. The cells are the report's
// own; the model only renders them. UI thread only.

#include <QAbstractTableModel>
#include <QFontMetrics>

class QTableView;
#include <vector>

#include "report/CostViews.h"
#include "report/DateFormat.h"

namespace tallyvox::app {

class TCostGridModel final : public QAbstractTableModel {
public:
    TCostGridModel(report::TViewKind kind, QObject* parent);

    // The views to show (nullptr: no rows); they must stay in place until the
    // next call. dateFormat renders the dates of the call view.
    void SetViews(const report::TCostViews* views, const report::TDateFormat* dateFormat);
    // The lists under the views changed (a sort, a selection): rows again.
    void Refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const report::TCostView* View() const;

    report::TViewKind Kind;
    const report::TCostViews* Views = nullptr;
    const report::TDateFormat* DateFormat = nullptr;
    std::vector<report::TCell> Totals; // of the shown rows, made once per refresh
};

// After the window's own columns have their widths: a priced grid's further
// columns get theirs, and all are narrowed together to fit the grid.
constexpr int CallOwnColumns = 7;
void FitPricedColumns(QTableView* grid, int ownColumns);

// The metrics of the grid's font in bold, as its totals row is drawn.
QFontMetrics BoldMetrics(const QTableView* grid);

} // namespace tallyvox::app
