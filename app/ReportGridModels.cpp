#include "app/ReportGridModels.h"

#include <QLocale>

#include "qtadapters/LocaleDate.h"

namespace tallyvox::app {

report::TDateFormat UserShortDateFormat() {
    return reportcli::LocaleDateFormat(QLocale());
}

TCallGridModel::TCallGridModel(QObject* parent)
    : QAbstractTableModel(parent), DateFormat_(UserShortDateFormat()) {}

void TCallGridModel::SetCalls(const report::TCallList& calls) {
    beginResetModel();
    // The user may have changed the format since the last file.
    DateFormat_ = UserShortDateFormat();
    Rows_.emplace(calls);
    endResetModel();
}

void TCallGridModel::Select(const report::TSelection& selection) {
    beginResetModel();
    Rows_ = report::SelectCalls(Rows_->Calls(), selection);
    endResetModel();
}

int TCallGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !Rows_ ? 0 : static_cast<int>(Rows_->Count());
}

int TCallGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : report::CallColumnCount;
}

QVariant TCallGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    return ToQString(report::CallCell(Rows_->Call(static_cast<std::size_t>(index.row())),
                                      index.column(), DateFormat_));
}

QVariant TCallGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return TitleData(report::CallGridTitles(), section, orientation, role);
}

} // namespace tallyvox::app
