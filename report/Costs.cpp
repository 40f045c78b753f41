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

void AddCost(TCostEntry& entry, const TCallCost& cost) {
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

void Merge(TCostEntry& into, const TCostEntry& entry) {
    into.Calls += entry.Calls;
    into.BilledSeconds += entry.BilledSeconds;
    into.Cost += entry.Cost;
}

} // namespace

TCostEntry TCostReport::LineCost(std::string_view hardwareLine) const {
    return Lookup(Lines, hardwareLine);
}

TCostEntry TCostReport::TrunkCost(std::string_view trunk) const {
    return Lookup(Trunks, trunk);
}

TCostTally::TCostTally(const TTariffTable& table) : Table(&table) {
    TCostList names;
    auto destinationOfRow = std::make_shared<std::vector<std::size_t>>();
    for (const TTariffRow& row : table.Rows()) {
        const std::string name = row.DestinationName();
        const TCostEntry* entry = names.Find(name);
        if (entry == nullptr) {
            entry = &names.Append(TCostEntry{name});
        }
        destinationOfRow->push_back(static_cast<std::size_t>(entry - &names[0]));
    }
    DestinationOfRow = std::move(destinationOfRow);
    Destinations.assign(names.begin(), names.end());
}

void TCostTally::Count(const TExtStr_rep& call, const TCallCost& cost) {
    if (call.IsIncoming()) {
        ++Counts.Incoming;
    } else if (!cost.Priced()) {
        ++Counts.Unpriced;
    } else {
        ++Counts.Priced;
        Counts.Total += cost.Cost;
        Counts.BilledSeconds += cost.BilledSeconds;
        AddCost(Destinations[(*DestinationOfRow)[static_cast<std::size_t>(cost.Row)]], cost);
    }
}

TCallCost TCostTally::Price(const TExtStr_rep& call) {
    const TCallCost cost = Table->Cost(call);
    Count(call, cost);
    return cost;
}

TCallCost TCostTally::Add(const TExtStr_rep& call) {
    const TCallCost cost = Price(call);
    AddCost(EntryOf(Lines, call.HardwareLine), cost);
    AddCost(EntryOf(Trunks, call.Trunk), cost);
    return cost;
}

void TCostTally::Join(const TCostTally& later) {
    for (const TCostEntry& line : later.Lines) {
        Merge(EntryOf(Lines, line.Key), line);
    }
    for (const TCostEntry& trunk : later.Trunks) {
        Merge(EntryOf(Trunks, trunk.Key), trunk);
    }
    for (std::size_t i = 0; i < Destinations.size(); ++i) {
        Merge(Destinations[i], later.Destinations[i]);
    }
    Counts.Total += later.Counts.Total;
    Counts.BilledSeconds += later.Counts.BilledSeconds;
    Counts.Priced += later.Counts.Priced;
    Counts.Unpriced += later.Counts.Unpriced;
    Counts.Incoming += later.Counts.Incoming;
}

TCostReport TCostTally::Finish() const {
    TCostReport report = Counts;
    report.Lines = Lines;
    report.Trunks = Trunks;
    // Only the destinations that were called, the dearest first.
    for (const TCostEntry& entry : Destinations) {
        if (entry.Calls > 0) {
            report.Destinations.Append(entry);
        }
    }
    report.Destinations.StableSort([](const TCostEntry& a, const TCostEntry& b) {
        return a.Cost != b.Cost ? a.Cost > b.Cost : a.Key < b.Key;
    });
    return report;
}

TCostReport PriceCalls(const TCallList& calls, const TTariffTable& table, unsigned threads) {
    // Each part of the list is priced on a thread of its own into its own
    // tally; the tallies are then joined in list order.
    const std::size_t parts =
        calls.Count() < MinCallsPerThread * 2 ? 1 : std::clamp<std::size_t>(threads, 1, MaxThreads);
    std::vector<TCallCost> costs;
    // Filled once, front to back, as the call list is: large pages if there are.
    costs.reserve(calls.Count());
    AdviseLargeMemory(costs.data(), costs.capacity() * sizeof(TCallCost));
    costs.resize(calls.Count());
    std::vector<TCostTally> tallies(parts, TCostTally(table));
    const auto price = [&](std::size_t part) {
        const std::size_t begin = calls.Count() * part / parts;
        const std::size_t end = calls.Count() * (part + 1) / parts;
        for (std::size_t i = begin; i < end; ++i) {
            costs[i] = tallies[part].Add(calls[i]);
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t part = 1; part < parts; ++part) {
        workers.emplace_back(price, part);
    }
    price(0);
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (std::size_t part = 1; part < parts; ++part) {
        tallies[0].Join(tallies[part]);
    }
    TCostReport report = tallies[0].Finish();
    report.Calls = std::move(costs);
    return report;
}

} // namespace tallyvox::report
