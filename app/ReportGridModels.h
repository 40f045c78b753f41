#pragma once
// The report window's three grids as table models over the report's lists: a
// cell's text is made when the view asks for it, so a million calls cost no
// more to show than the rows on the screen. The texts are the report's own,
// the same that the exports write. UI thread only.

#include <QAbstractTableModel>
#include <optional>

#include "app/QtText.h"
#include "report/Cells.h"
#include "report/DateFormat.h"
#include "report/Lists.h"
#include "report/Selection.h"
#include "report/Sort.h"

namespace tallyvox::app {

// A title of the title row, for headerData; nothing for any other request.
template <std::size_t N>
QVariant TitleData(const std::array<std::string, N>& titles, int section,
                   Qt::Orientation orientation, int role) {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(N)) {
        return {};
    }
    return ToQString(titles[static_cast<std::size_t>(section)]);
}

// What the totals grids take from the report for each kind of list.
inline const auto& Titles(const report::TLineList*) {
    return report::LineGridTitles();
}
inline const auto& Titles(const report::TTrunkList*) {
    return report::TrunkGridTitles();
}
inline std::string Cell(const report::TAL_rep& line, int column) {
    return report::LineCell(line, column);
}
inline std::string Cell(const report::TSL_rep& trunk, int column) {
    return report::TrunkCell(trunk, column);
}
inline void SortList(report::TLineList& lines, report::TLineSortKey key) {
    report::SortLines(lines, key);
}
inline void SortList(report::TTrunkList& trunks, report::TTrunkSortKey key) {
    report::SortTrunks(trunks, key);
}

// The date pattern of the user's short date format and the locale's month and
// day names, for the report's date texts.
report::TDateFormat UserShortDateFormat();

// The calls of the shown list, or the calls that the last selection kept.
class TCallGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TCallGridModel(QObject* parent = nullptr);

    // Every call of calls; calls must stay in place until the next SetCalls.
    void SetCalls(const report::TCallList& calls);
    // Narrows the rows to the calls the selection keeps (all of them for an
    // empty subscriber and prefix).
    void Select(const report::TSelection& selection);

    const report::TCallRows& Rows() const { return *Rows_; }
    const report::TDateFormat& DateFormat() const { return DateFormat_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    report::TDateFormat DateFormat_;
    std::optional<report::TCallRows> Rows_;
};

// The line or trunk totals in their current order. The model does not emit
// signals of its own, so it needs no meta-object and can be a template.
template <class TList, class TKey> class TTotalsGridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // list must stay in place until the next SetList.
    void SetList(TList& list) {
        beginResetModel();
        List = &list;
        endResetModel();
    }
    // Sorts the list itself (the exports follow the order shown).
    void Sort(TKey key) {
        beginResetModel();
        SortList(*List, key);
        endResetModel();
    }
    const TList& Entries() const { return *List; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || List == nullptr ? 0 : static_cast<int>(List->Count());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(Titles(List).size());
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
            return {};
        }
        return ToQString(Cell((*List)[static_cast<std::size_t>(index.row())], index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override {
        return TitleData(Titles(List), section, orientation, role);
    }

private:
    TList* List = nullptr;
};

class TLineGridModel final : public TTotalsGridModel<report::TLineList, report::TLineSortKey> {
public:
    using TTotalsGridModel::TTotalsGridModel;
};

class TTrunkGridModel final : public TTotalsGridModel<report::TTrunkList, report::TTrunkSortKey> {
public:
    using TTotalsGridModel::TTotalsGridModel;
};

} // namespace tallyvox::app
