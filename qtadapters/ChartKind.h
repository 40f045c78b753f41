#pragma once
// The traffic charts by name: the names that tallyvox-report takes after
// --chart and the captions that the charts view lists (UTF-8).

#include <array>
#include <optional>
#include <string_view>

namespace tallyvox::reportcli {

enum class TChartKind { Hours, Days, TopLines, TopCost, Trunks, Sizing };

struct TChartKindName {
    TChartKind Kind;
    std::string_view Name;
    std::string_view Caption;
};

inline constexpr std::array<TChartKindName, 6> ChartKinds{{
    {TChartKind::Hours, "hours", "Звонки по часам суток"},
    {TChartKind::Days, "days", "Звонки по дням"},
    {TChartKind::TopLines, "toplines", "15 АЛ с наибольшим временем разговоров"},
    {TChartKind::TopCost, "topcost", "15 АЛ с наибольшей стоимостью"},
    {TChartKind::Trunks, "trunks", "Занятость СЛ"},
    {TChartKind::Sizing, "sizing", "Расчёт числа СЛ"},
}};

inline std::optional<TChartKind> ChartKindByName(std::string_view name) {
    for (const TChartKindName& kind : ChartKinds) {
        if (kind.Name == name) {
            return kind.Kind;
        }
    }
    return std::nullopt;
}

inline const TChartKindName& ChartKindOf(TChartKind kind) {
    return ChartKinds[static_cast<std::size_t>(kind)];
}

} // namespace tallyvox::reportcli
