#include "report/Costs.h"

#include <algorithm>

namespace tallyvox::report {

namespace {

TCostEntry& EntryOf(TCostList& list, std::string_view key) {
    TCostEntry* entry = list.Find(key);
    return entry != nullptr ? *entry : list.Append(TCostEntry{std::string(key)});
}

void Add(TCostEntry& entry, const TCallCost& cost) {
    ++entry.Calls;
    entry.BilledSeconds += cost.BilledSeconds;
    entry.Cost += cost.Cost;
}

TCostEntry Lookup(const TCostList& list, std::string_view key) {
    const TCostEntry* entry = list.Find(key);
    return entry != nullptr ? *entry : TCostEntry{std::string(key)};
}

} // namespace

TCostEntry TCostReport::LineCost(std::string_view hardwareLine) const {
    return Lookup(Lines, hardwareLine);
}

TCostEntry TCostReport::TrunkCost(std::string_view trunk) const {
    return Lookup(Trunks, trunk);
}

TCostReport PriceCalls(const TCallList& calls, const TTariffTable& table) {
    TCostReport report;
    report.Calls.reserve(calls.Count());
    // A destination's entry per row, found once: rows sharing a name share it.
    std::vector<std::string> names;
    for (const TTariffRow& row : table.Rows()) {
        names.push_back(row.DestinationName());
    }
    for (const TExtStr_rep& call : calls) {
        const TCallCost cost = table.Cost(call);
        report.Calls.push_back(cost);
        Add(EntryOf(report.Lines, call.HardwareLine), cost);
        Add(EntryOf(report.Trunks, call.Trunk), cost);
        if (call.IsIncoming()) {
            ++report.Incoming;
        } else if (!cost.Priced()) {
            ++report.Unpriced;
        } else {
            ++report.Priced;
            report.Total += cost.Cost;
            report.BilledSeconds += cost.BilledSeconds;
            Add(EntryOf(report.Destinations, names[static_cast<std::size_t>(cost.Row)]), cost);
        }
    }
    report.Destinations.StableSort([](const TCostEntry& a, const TCostEntry& b) {
        return a.Cost != b.Cost ? a.Cost > b.Cost : a.Key < b.Key;
    });
    return report;
}

} // namespace tallyvox::report
