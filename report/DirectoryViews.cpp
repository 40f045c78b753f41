#include "report/DirectoryViews.h"

#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

TCell Number(TCellKind kind, std::int64_t number) {
    return TCell{kind, {}, number, {}};
}

std::vector<TColumn> GroupColumns(const char* keyTitle) {
    std::vector<TColumn> columns;
    const std::pair<const char*, TCellKind> utf8[] = {
        {keyTitle, TCellKind::Text},         {"Звонков", TCellKind::Count},
        {"Время", TCellKind::Duration},      {"Местные", TCellKind::Money},
        {"Межгород", TCellKind::Money},      {"Мобильные", TCellKind::Money},
        {"Международные", TCellKind::Money}, {"Прочие", TCellKind::Money},
        {"Стоимость", TCellKind::Money}};
    for (const auto& [title, kind] : utf8) {
        columns.push_back({text::Utf8ToCp1251(title), kind});
    }
    return columns;
}

std::vector<TCell> GroupCells(const TGroupTotals& group) {
    std::vector<TCell> cells{
        TCell{TCellKind::Text, group.Key, 0, {}}, Number(TCellKind::Count, group.Calls),
        Number(TCellKind::Duration, static_cast<std::int64_t>(group.TalkSeconds))};
    for (const TCents cost : group.CostByClass) {
        cells.push_back(Number(TCellKind::Money, cost));
    }
    cells.push_back(Number(TCellKind::Money, group.Cost));
    return cells;
}

class TDirectoryView final : public TCostView {
public:
    TDirectoryView(const TDirectoryTotals& totals, TDirectoryGroup by)
        : Totals_(totals), Departments(by == TDirectoryGroup::Department),
          Columns_(GroupColumns(Departments ? "Отдел" : "Центр затрат")) {}

    std::string Name() const override {
        return text::Utf8ToCp1251(Departments ? "Отделы" : "Центры затрат");
    }
    const std::vector<TColumn>& Columns() const override { return Columns_; }
    std::size_t RowCount() const override { return Totals_.Groups.size(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        return GroupCells(Totals_.Groups[row])[column];
    }
    std::vector<TCell> Totals() const override {
        TGroupTotals sum{text::Utf8ToCp1251("Итого")};
        for (const TGroupTotals& group : Totals_.Groups) {
            sum.Calls += group.Calls;
            sum.TalkSeconds += group.TalkSeconds;
            for (std::size_t i = 0; i < DestinationClassCount; ++i) {
                sum.CostByClass[i] += group.CostByClass[i];
            }
            sum.Cost += group.Cost;
        }
        return GroupCells(sum);
    }

private:
    const TDirectoryTotals& Totals_;
    bool Departments;
    std::vector<TColumn> Columns_;
};

} // namespace

TDirectoryViews::TDirectoryViews(const TCallList& calls, const TCostReport* costs,
                                 const TTariffTable& table, const TDirectory& directory)
    : ByDepartment(GroupCalls(calls, costs, table, directory, TDirectoryGroup::Department)),
      ByCostCentre(GroupCalls(calls, costs, table, directory, TDirectoryGroup::CostCentre)),
      Departments_(std::make_unique<TDirectoryView>(ByDepartment, TDirectoryGroup::Department)),
      CostCentres_(std::make_unique<TDirectoryView>(ByCostCentre, TDirectoryGroup::CostCentre)) {}

} // namespace tallyvox::report
