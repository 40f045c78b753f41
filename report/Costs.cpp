#include "report/Costs.h"

#include <algorithm>
#include <thread>

#include "report/LargeMemory.h"

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

// Below this many calls a part, a thread costs more than it saves.
constexpr std::size_t MinCallsPerThread = 50000;
constexpr unsigned MaxThreads = 8;

// The totals of one part of the call list.
struct TPart {
    TCostList Lines;
    TCostList Trunks;
    std::vector<TCostEntry> Destinations; // one per distinct name, by row
    TCostReport Counts;                   // Total, BilledSeconds and the counts only
};

void PricePart(const TCallList& calls, std::size_t begin, std::size_t end,
               const TTariffTable& table, const std::vector<std::size_t>& destinationOfRow,
               std::vector<TCallCost>& costs, TPart& part) {
    for (std::size_t i = begin; i < end; ++i) {
        const TExtStr_rep& call = calls[i];
        const TCallCost cost = table.Cost(call);
        costs[i] = cost;
        Add(EntryOf(part.Lines, call.HardwareLine), cost);
        Add(EntryOf(part.Trunks, call.Trunk), cost);
        if (call.IsIncoming()) {
            ++part.Counts.Incoming;
        } else if (!cost.Priced()) {
            ++part.Counts.Unpriced;
        } else {
            ++part.Counts.Priced;
            part.Counts.Total += cost.Cost;
            part.Counts.BilledSeconds += cost.BilledSeconds;
            Add(part.Destinations[destinationOfRow[static_cast<std::size_t>(cost.Row)]], cost);
        }
    }
}

void Merge(TCostEntry& into, const TCostEntry& entry) {
    into.Calls += entry.Calls;
    into.BilledSeconds += entry.BilledSeconds;
    into.Cost += entry.Cost;
}

void Join(TCostReport& report, std::vector<TCostEntry>& destinations, const TPart& part) {
    for (const TCostEntry& line : part.Lines) {
        Merge(EntryOf(report.Lines, line.Key), line);
    }
    for (const TCostEntry& trunk : part.Trunks) {
        Merge(EntryOf(report.Trunks, trunk.Key), trunk);
    }
    for (std::size_t i = 0; i < destinations.size(); ++i) {
        Merge(destinations[i], part.Destinations[i]);
    }
    report.Total += part.Counts.Total;
    report.BilledSeconds += part.Counts.BilledSeconds;
    report.Priced += part.Counts.Priced;
    report.Unpriced += part.Counts.Unpriced;
    report.Incoming += part.Counts.Incoming;
}

} // namespace

TCostEntry TCostReport::LineCost(std::string_view hardwareLine) const {
    return Lookup(Lines, hardwareLine);
}

TCostEntry TCostReport::TrunkCost(std::string_view trunk) const {
    return Lookup(Trunks, trunk);
}

TCostReport PriceCalls(const TCallList& calls, const TTariffTable& table, unsigned threads) {
    // A destination's entry per row, found once: rows sharing a name share it.
    TCostList names;
    std::vector<std::size_t> destinationOfRow;
    for (const TTariffRow& row : table.Rows()) {
        const std::string name = row.DestinationName();
        const TCostEntry* entry = names.Find(name);
        if (entry == nullptr) {
            entry = &names.Append(TCostEntry{name});
        }
        destinationOfRow.push_back(static_cast<std::size_t>(entry - &names[0]));
    }
    // Each part of the list is priced on a thread of its own into its own
    // totals; the parts are then joined in list order, so the lines and trunks
    // keep the order of their first calls.
    const std::size_t parts =
        calls.Count() < MinCallsPerThread * 2 ? 1 : std::clamp<std::size_t>(threads, 1, MaxThreads);
    TCostReport report;
    // Filled once, front to back, as the call list is: large pages if there are.
    report.Calls.reserve(calls.Count());
    AdviseLargeMemory(report.Calls.data(), report.Calls.capacity() * sizeof(TCallCost));
    report.Calls.resize(calls.Count());
    std::vector<TPart> priced(parts, TPart{{}, {}, {names.begin(), names.end()}, {}});
    const auto price = [&](std::size_t part) {
        const std::size_t begin = calls.Count() * part / parts;
        const std::size_t end = calls.Count() * (part + 1) / parts;
        PricePart(calls, begin, end, table, destinationOfRow, report.Calls, priced[part]);
    };
    std::vector<std::thread> workers;
    for (std::size_t part = 1; part < parts; ++part) {
        workers.emplace_back(price, part);
    }
    price(0);
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::vector<TCostEntry> destinations(names.begin(), names.end());
    for (const TPart& part : priced) {
        Join(report, destinations, part);
    }
    // Only the destinations that were called, the dearest first.
    for (TCostEntry& entry : destinations) {
        if (entry.Calls > 0) {
            report.Destinations.Append(std::move(entry));
        }
    }
    report.Destinations.StableSort([](const TCostEntry& a, const TCostEntry& b) {
        return a.Cost != b.Cost ? a.Cost > b.Cost : a.Key < b.Key;
    });
    return report;
}

} // namespace tallyvox::report
