#pragma once
// A view of the report (calls, lines, trunks, destinations or any other of the
// catalog) as a table model: its columns, its rows and, under them, its totals
// row when it has one. A cell's text is made when the grid asks for it, so a
// million calls cost no more to show than the rows on the screen; the texts are
// the report's own, the same that the exports write. UI thread only.

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <functional>
#include <vector>

#include "report/CostViews.h"
#include "report/DateFormat.h"

class QTableView;

namespace tallyvox::app {

class TViewGridModel final : public QAbstractTableModel {
public:
    explicit TViewGridModel(QObject* parent);

    // The view to show (nullptr: no rows and no columns); it must stay in place
    // until the next call. dateFormat renders its dates.
    void SetView(const report::TReportView* view, const report::TDateFormat* dateFormat);
    // Rows again after the lists under the view changed, or while change
    // changes them (a sort, a selection).
    void Refresh(const std::function<void()>& change = {});

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const report::TReportView* View = nullptr;
    const report::TDateFormat* DateFormat = nullptr;
    std::vector<report::TCell> Totals; // of the shown rows, made once per refresh
};

// The date pattern of the user's short date format and the locale's month and
// day names, for the report's date texts.
report::TDateFormat UserShortDateFormat();

// After the window's own columns have their widths: a priced grid's further
// columns get theirs, and all are narrowed together to fit the grid.
constexpr int CallOwnColumns = 7;
void FitPricedColumns(QTableView* grid, int ownColumns);

// The metrics of the grid's font in bold, as its totals row is drawn.
QFontMetrics BoldMetrics(const QTableView* grid);

} // namespace tallyvox::app
