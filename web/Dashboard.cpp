#include "web/Dashboard.h"

#include <algorithm>
#include <ctime>
#include <unordered_map>

#include "report/Period.h"

namespace tallyvox::web {

namespace {

void Add(TFigures& figures, const report::TExtStr_rep& call, report::TCents cost) {
    ++figures.Calls;
    figures.Seconds += static_cast<std::uint64_t>(call.TotalSeconds);
    figures.Cost += cost;
}

template <class TKey>
std::vector<TRanked> Dearest(const std::unordered_map<TKey, TRanked>& totals) {
    std::vector<TRanked> ranked;
    for (const auto& [key, entry] : totals) {
        ranked.push_back(entry);
    }
    std::sort(ranked.begin(), ranked.end(), [](const TRanked& a, const TRanked& b) {
        if (a.Figures.Cost != b.Figures.Cost) {
            return a.Figures.Cost > b.Figures.Cost;
        }
        if (a.Figures.Seconds != b.Figures.Seconds) {
            return a.Figures.Seconds > b.Figures.Seconds;
        }
        return a.Name < b.Name;
    });
    ranked.resize(std::min(ranked.size(), TDashboard::Ranked));
    return ranked;
}

} // namespace

report::TDateTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {static_cast<std::uint16_t>(local.tm_year + 1900),
            static_cast<std::uint8_t>(local.tm_mon + 1),
            static_cast<std::uint8_t>(local.tm_mday),
            static_cast<std::uint8_t>(local.tm_hour),
            static_cast<std::uint8_t>(local.tm_min),
            static_cast<std::uint8_t>(local.tm_sec)};
}

TDashboard DashboardOf(const TPricedCalls& calls, const TScope& scope, const TCallData& data,
                       const report::TDirectory& directory, const report::TDateTime& now) {
    const report::TPeriod today = report::PresetPeriod(report::TPeriodPreset::Today, now);
    const report::TPeriod month = report::PresetPeriod(report::TPeriodPreset::ThisMonth, now);
    TDashboard dashboard;
    dashboard.Priced = calls.Priced;
    std::unordered_map<std::string_view, TRanked> lines;
    std::unordered_map<std::int32_t, TRanked> rows; // by tariff row
    for (std::size_t i = 0; i < calls.Calls.Count(); ++i) {
        const report::TExtStr_rep& call = calls.Calls[i];
        if (!month.Holds(call.Start) || !scope.Holds(call)) {
            continue;
        }
        const report::TCallCost cost = calls.Priced ? calls.Costs.Calls[i] : report::TCallCost{};
        Add(dashboard.Month, call, cost.Cost);
        if (today.Holds(call.Start)) {
            Add(dashboard.Today, call, cost.Cost);
        }
        TRanked& line = lines[call.HardwareLine];
        if (line.Figures.Calls == 0) {
            line.Name = std::string(LineDigits(call.HardwareLine)) + " (" +
                        std::string(call.ProgramNumber) + ")";
            if (const report::TDirectoryEntry* person = directory.PersonOf(call)) {
                line.Name += " " + person->Name;
            }
        }
        Add(line.Figures, call, cost.Cost);
        if (cost.Priced()) {
            TRanked& row = rows[cost.Row];
            if (row.Figures.Calls == 0) {
                row.Name = data.DestinationOf(cost);
            }
            Add(row.Figures, call, cost.Cost);
        }
    }
    // Rows of one name are one destination.
    std::unordered_map<std::string, TRanked> destinations;
    for (const auto& [index, row] : rows) {
        TRanked& destination = destinations[row.Name];
        destination.Name = row.Name;
        destination.Figures.Calls += row.Figures.Calls;
        destination.Figures.Seconds += row.Figures.Seconds;
        destination.Figures.Cost += row.Figures.Cost;
    }
    dashboard.Lines = Dearest(lines);
    dashboard.Destinations = Dearest(destinations);
    return dashboard;
}

} // namespace tallyvox::web
