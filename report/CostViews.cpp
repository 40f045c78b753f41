#include "report/CostViews.h"

#include <cstdio>
#include <filesystem>

#include "report/Cells.h"
#include "report/Totals.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

TCell Text(std::string_view text, TCellKind kind = TCellKind::Text) {
    TCell cell;
    cell.Kind = kind;
    cell.Text = text;
    return cell;
}

TCell Number(TCellKind kind, std::int64_t number) {
    TCell cell;
    cell.Kind = kind;
    cell.Number = number;
    return cell;
}

TCell DateCell(TCellKind kind, const TDateTime& date) {
    TCell cell;
    cell.Kind = kind;
    cell.Date = date;
    return cell;
}

std::vector<TColumn> Titled(std::initializer_list<std::pair<const char*, TCellKind>> utf8) {
    std::vector<TColumn> columns;
    for (const auto& [title, kind] : utf8) {
        columns.push_back({text::Utf8ToCp1251(title), kind});
    }
    return columns;
}

const std::string& TotalTitle() {
    static const std::string title = text::Utf8ToCp1251("Итого");
    return title;
}

class TCallView final : public TReportView {
public:
    TCallView(const TCallRows& rows, const TCostReport& costs, const TTariffTable& table)
        : Rows(rows), Costs(costs), Table(table) {}
    std::string Name() const override { return text::Utf8ToCp1251("Звонки"); }
    const std::vector<TColumn>& Columns() const override { return ViewColumns(TViewKind::Calls); }
    std::size_t RowCount() const override { return Rows.Count(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        const TExtStr_rep* call = Rows.Call(row);
        if (call == nullptr) {
            return {};
        }
        const TCallCost cost = CostOf(call);
        switch (column) {
        case 0:
            return DateCell(TCellKind::Date, call->Start);
        case 1:
            return DateCell(TCellKind::Time, call->Start);
        case 2:
            return Number(TCellKind::Duration, call->TotalSeconds);
        case 3:
            return Text(call->HardwareLine);
        case 4:
            return Text(call->ProgramNumber);
        case 5:
            return Text(call->Trunk);
        case 6:
            return Text(call->DialledNumber, TCellKind::Phone);
        case 7:
            return cost.Priced() ? Number(TCellKind::Duration, cost.BilledSeconds) : TCell{};
        case 8:
            return cost.Priced()
                       ? Text(Table.Rows()[static_cast<std::size_t>(cost.Row)].DestinationName())
                       : TCell{};
        default:
            return cost.Priced() ? Number(TCellKind::Money, cost.Cost) : TCell{};
        }
    }
    std::vector<TCell> Totals() const override {
        std::int64_t seconds = 0;
        std::int64_t billed = 0;
        TCents cost = 0;
        for (std::size_t row = 0; row < Rows.Count(); ++row) {
            if (const TExtStr_rep* call = Rows.Call(row)) {
                const TCallCost priced = CostOf(call);
                seconds += call->TotalSeconds;
                billed += priced.BilledSeconds;
                cost += priced.Cost;
            }
        }
        return {Text(TotalTitle()),
                {},
                Number(TCellKind::Duration, seconds),
                {},
                {},
                {},
                {},
                Number(TCellKind::Duration, billed),
                {},
                Number(TCellKind::Money, cost)};
    }

private:
    // Nothing when the calls were not priced (no table).
    TCallCost CostOf(const TExtStr_rep* call) const {
        const auto index = static_cast<std::size_t>(call - &Rows.Calls()[0]);
        return index < Costs.Calls.size() ? Costs.Calls[index] : TCallCost{};
    }

    const TCallRows& Rows;
    const TCostReport& Costs;
    const TTariffTable& Table;
};

// The line or trunk totals, with the count of calls and the cost.
template <class TList> class TTotalsView final : public TReportView {
public:
    TTotalsView(const TList& list, const TCostReport& costs) : List(list), Costs(costs) {}
    std::string Name() const override { return text::Utf8ToCp1251(IsLines ? "АЛ" : "СЛ"); }
    const std::vector<TColumn>& Columns() const override {
        return ViewColumns(IsLines ? TViewKind::Lines : TViewKind::Trunks);
    }
    std::size_t RowCount() const override { return List.Count(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        const auto& entry = List[row];
        const std::size_t keys = IsLines ? 2 : 1;
        if (column < keys) {
            return Text(column == 0 ? Key(entry) : ProgramOf(entry));
        }
        return Figures(entry, Cost(entry))[column - keys];
    }
    std::vector<TCell> Totals() const override {
        TTraffic_rep traffic;
        TCostEntry cost;
        for (const auto& entry : List) {
            traffic.AddTraffic(entry);
            const TCostEntry one = Cost(entry);
            cost.Calls += one.Calls;
            cost.Cost += one.Cost;
        }
        std::vector<TCell> totals{Text(TotalTitle())};
        if (IsLines) {
            totals.emplace_back();
        }
        for (const TCell& cell : Figures(traffic, cost)) {
            totals.push_back(cell);
        }
        return totals;
    }

private:
    static constexpr bool IsLines = std::is_same_v<TList, TLineList>;
    static std::string Key(const TAL_rep& line) { return line.HardwareLine; }
    static std::string Key(const TSL_rep& trunk) { return trunk.Trunk; }
    static std::string ProgramOf(const TAL_rep& line) { return line.ProgramNumber; }
    static std::string ProgramOf(const TSL_rep&) { return {}; }
    TCostEntry Cost(const TAL_rep& line) const { return Costs.LineCost(line.HardwareLine); }
    TCostEntry Cost(const TSL_rep& trunk) const { return Costs.TrunkCost(trunk.Trunk); }
    static std::vector<TCell> Figures(const TTraffic_rep& traffic, const TCostEntry& cost) {
        return {Number(TCellKind::Duration, traffic.OutTotalSeconds),
                Number(TCellKind::Duration, traffic.InTotalSeconds),
                Number(TCellKind::Duration, traffic.TotalSeconds),
                Number(TCellKind::Count, cost.Calls), Number(TCellKind::Money, cost.Cost)};
    }

    const TList& List;
    const TCostReport& Costs;
};

class TDestinationView final : public TReportView {
public:
    explicit TDestinationView(const TCostReport& costs) : Costs(costs) {}
    std::string Name() const override { return text::Utf8ToCp1251("Направления"); }
    const std::vector<TColumn>& Columns() const override {
        return ViewColumns(TViewKind::Destinations);
    }
    std::size_t RowCount() const override { return Costs.Destinations.Count(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        return Row(Costs.Destinations[row])[column];
    }
    std::vector<TCell> Totals() const override {
        TCostEntry total{TotalTitle(), Costs.Priced, Costs.BilledSeconds, Costs.Total};
        return Row(total);
    }

private:
    static std::vector<TCell> Row(const TCostEntry& entry) {
        return {Text(entry.Key), Number(TCellKind::Count, entry.Calls),
                Number(TCellKind::Minutes, static_cast<std::int64_t>(entry.BilledSeconds)),
                Number(TCellKind::Money, entry.Cost)};
    }

    const TCostReport& Costs;
};

std::string Digits2(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

const std::vector<TColumn>& ViewColumns(TViewKind kind) {
    using K = TCellKind;
    static const auto calls = Titled({{"Дата", K::Date},
                                      {"Время", K::Time},
                                      {"Длительность", K::Duration},
                                      {"Апп. АЛ", K::Text},
                                      {"Прг. АЛ", K::Text},
                                      {"Номер СЛ", K::Text},
                                      {"Внешний номер", K::Phone},
                                      {"Тариф. длит.", K::Duration},
                                      {"Направление", K::Text},
                                      {"Стоимость", K::Money}});
    static const auto lines = Titled({{"Апп. АЛ", K::Text},
                                      {"Прг. АЛ", K::Text},
                                      {"Исх. трафик", K::Duration},
                                      {"Вх. трафик", K::Duration},
                                      {"Общий трафик", K::Duration},
                                      {"Звонков", K::Count},
                                      {"Стоимость", K::Money}});
    static const auto trunks = Titled({{"Апп. СЛ", K::Text},
                                       {"Исх. трафик", K::Duration},
                                       {"Вх. трафик", K::Duration},
                                       {"Общий трафик", K::Duration},
                                       {"Звонков", K::Count},
                                       {"Стоимость", K::Money}});
    static const auto destinations = Titled({{"Направление", K::Text},
                                             {"Звонков", K::Count},
                                             {"Тариф. минут", K::Minutes},
                                             {"Стоимость", K::Money}});
    switch (kind) {
    case TViewKind::Calls:
        return calls;
    case TViewKind::Lines:
        return lines;
    case TViewKind::Trunks:
        return trunks;
    default:
        return destinations;
    }
}

namespace {

std::vector<TViewEntry>& Catalog() {
    static std::vector<TViewEntry> catalog{
        {"calls", CallColumnCount,
         [](const TViewSources& from) {
             return std::make_unique<TCallView>(from.Rows, from.Costs, from.Table);
         }},
        {"lines", LineColumnCount,
         [](const TViewSources& from) {
             return std::make_unique<TTotalsView<TLineList>>(from.Lines, from.Costs);
         }},
        {"trunks", TrunkColumnCount,
         [](const TViewSources& from) {
             return std::make_unique<TTotalsView<TTrunkList>>(from.Trunks, from.Costs);
         }},
        {"destinations", 0,
         [](const TViewSources& from) { return std::make_unique<TDestinationView>(from.Costs); }},
    };
    return catalog;
}

class TFirstColumns final : public TReportView {
public:
    TFirstColumns(const TReportView& view, std::size_t columns)
        : View(view),
          Columns_(view.Columns().begin(),
                   view.Columns().begin() +
                       static_cast<std::ptrdiff_t>(std::min(columns, view.Columns().size()))) {}
    std::string Name() const override { return View.Name(); }
    const std::vector<TColumn>& Columns() const override { return Columns_; }
    std::size_t RowCount() const override { return View.RowCount(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        return View.Cell(row, column);
    }
    std::vector<TCell> Totals() const override { return {}; }

private:
    const TReportView& View;
    std::vector<TColumn> Columns_;
};

} // namespace

const std::vector<TViewEntry>& ViewCatalog() {
    return Catalog();
}

TViewKind AddView(TViewEntry entry) {
    Catalog().push_back(std::move(entry));
    return static_cast<TViewKind>(Catalog().size() - 1);
}

std::unique_ptr<TReportView> FirstColumns(const TReportView& view, std::size_t columns) {
    return std::make_unique<TFirstColumns>(view, columns);
}

std::optional<TViewKind> ViewByName(const std::string& name) {
    const std::vector<TViewEntry>& catalog = ViewCatalog();
    for (std::size_t i = 0; i < catalog.size(); ++i) {
        if (catalog[i].Key == name) {
            return static_cast<TViewKind>(i);
        }
    }
    return std::nullopt;
}

TCostViews::TCostViews(const TCallRows& rows, const TLineList& lines, const TTrunkList& trunks,
                       const TCostReport& costs, const TTariffTable& table) {
    const TViewSources sources{rows, lines, trunks, costs, table};
    for (const TViewEntry& entry : ViewCatalog()) {
        Views.push_back(entry.Make(sources));
    }
}

const TReportView& TCostViews::View(TViewKind kind) const {
    return *Views[static_cast<std::size_t>(kind)];
}

std::string CellText(const TCell& cell, char decimalPoint) {
    switch (cell.Kind) {
    case TCellKind::Empty:
        return {};
    case TCellKind::Text:
    case TCellKind::Phone:
        return cell.Text;
    case TCellKind::Date:
        return Digits2(cell.Date.Day) + "." + Digits2(cell.Date.Month) + "." +
               std::to_string(cell.Date.Year);
    case TCellKind::Time:
        return Digits2(cell.Date.Hour) + ":" + Digits2(cell.Date.Minute) + ":" +
               Digits2(cell.Date.Second);
    case TCellKind::Duration:
        // As the unpriced grids write their traffic: "00:01:20", hours unbounded.
        return TrafficText(static_cast<std::uint32_t>(cell.Number / 3600),
                           static_cast<std::uint32_t>(cell.Number / 60 % 60),
                           static_cast<std::uint32_t>(cell.Number % 60));
    case TCellKind::Count:
        return std::to_string(cell.Number);
    case TCellKind::Money:
        return CentsText(cell.Number, decimalPoint);
    case TCellKind::Minutes:
        return MinutesText(static_cast<std::uint64_t>(cell.Number), decimalPoint);
    }
    return {};
}

std::vector<std::string> HeadingLines(const std::string& periodCaption, const TTariffTable& table,
                                      const TCostReport& costs) {
    const std::string file = table.FileName().empty()
                                 ? std::string("—")
                                 : std::filesystem::path(table.FileName()).filename().string();
    return {"Период: " + periodCaption, "Тарифы: " + file,
            "Итого: " + CentsText(costs.Total) + "; без тарифа: " + std::to_string(costs.Unpriced) +
                " исх. звонков; входящих: " + std::to_string(costs.Incoming)};
}

} // namespace tallyvox::report
