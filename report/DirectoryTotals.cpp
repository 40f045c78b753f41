#include "report/DirectoryTotals.h"

#include <map>
#include <set>

#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

void AddCall(TGroupTotals& group, const TExtStr_rep& call, const TCallCost* cost,
             const TTariffTable& table) {
    ++group.Calls;
    group.TalkSeconds += static_cast<std::uint64_t>(call.TotalSeconds);
    if (cost == nullptr || !cost->Priced()) {
        return;
    }
    const TDestinationClass kind = table.Rows()[static_cast<std::size_t>(cost->Row)].Class;
    group.CostByClass[static_cast<std::size_t>(kind)] += cost->Cost;
    group.Cost += cost->Cost;
}

} // namespace

TDirectoryTotals GroupCalls(const TCallList& calls, const TCostReport* costs,
                            const TTariffTable& table, const TDirectory& directory,
                            TDirectoryGroup by) {
    std::map<std::string, TGroupTotals> groups;
    TGroupTotals unassigned{text::Utf8ToCp1251(UnassignedCaption)};
    unassigned.Unassigned = true;
    std::set<std::string> unassignedLines;
    for (std::size_t i = 0; i < calls.Count(); ++i) {
        const TExtStr_rep& call = calls[i];
        const TCallCost* cost = costs != nullptr ? &costs->Calls[i] : nullptr;
        const TDirectoryEntry* person = directory.PersonOf(call);
        if (person == nullptr) {
            AddCall(unassigned, call, cost, table);
            unassignedLines.emplace(DirectoryKeyText(call.HardwareLine));
            continue;
        }
        const std::string& key =
            by == TDirectoryGroup::Department ? person->Department : person->CostCentre;
        TGroupTotals& group = groups[key];
        group.Key = key;
        AddCall(group, call, cost, table);
    }
    TDirectoryTotals totals;
    for (auto& [key, group] : groups) {
        totals.Groups.push_back(std::move(group));
    }
    if (unassigned.Calls > 0) {
        totals.Groups.push_back(std::move(unassigned));
    }
    totals.UnassignedLines.assign(unassignedLines.begin(), unassignedLines.end());
    return totals;
}

} // namespace tallyvox::report
