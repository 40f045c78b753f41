#pragma once
// What the calls of a list cost by a tariff table: each call's row, billed
// seconds and cost, and the totals per subscriber line, per trunk and per
// destination. Totals are sums of the rounded call costs, as a bill shows them.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/Lists.h"
#include "report/Tariff.h"

namespace tallyvox::report {

// The calls and cost of one line, trunk or destination.
struct TCostEntry {
    std::string Key;                 // HardwareLine, Trunk or the destination's name
    std::uint32_t Calls = 0;         // every call (for a destination: its priced calls)
    std::uint64_t BilledSeconds = 0; // of the priced calls
    TCents Cost = 0;
};

inline std::string_view KeyOf(const TCostEntry& entry) {
    return entry.Key;
}

using TCostList = TTotalsList<TCostEntry>;

struct TCostReport {
    std::vector<TCallCost> Calls; // one per call of the list, in list order
    TCostList Lines;              // by HardwareLine
    TCostList Trunks;             // by Trunk
    TCostList Destinations;       // by name, the dearest first
    TCents Total = 0;
    std::uint64_t BilledSeconds = 0;
    std::uint32_t Priced = 0;   // outgoing calls a row priced (free ones too)
    std::uint32_t Unpriced = 0; // outgoing calls no row prices
    std::uint32_t Incoming = 0; // cost nothing, counted apart

    // The cost of the line or trunk of that key, or an empty entry.
    TCostEntry LineCost(std::string_view hardwareLine) const;
    TCostEntry TrunkCost(std::string_view trunk) const;
};

// The costs of calls taken one at a time, as they are read: each part of a
// report read on a thread of its own keeps one, and the parts are joined in
// order, so the lines and trunks keep the order of their first calls.
class TCostTally {
public:
    // table must outlive the tally.
    explicit TCostTally(const TTariffTable& table);
    // Prices one call, counts it in the totals and gives its cost.
    TCallCost Add(const TExtStr_rep& call);
    // The same without the line and trunk totals, for a reader that keeps
    // those beside its own (Finish then leaves them empty).
    TCallCost Price(const TExtStr_rep& call);
    // Adds the totals of a tally of the calls that follow this one's.
    void Join(const TCostTally& later);
    // The report of every call added or joined; Calls is left empty.
    TCostReport Finish() const;

private:
    void Count(const TExtStr_rep& call, const TCallCost& cost);

    const TTariffTable* Table;
    // A destination's entry per row, found once: rows sharing a name share it.
    std::shared_ptr<const std::vector<std::size_t>> DestinationOfRow;
    TCostList Lines;
    TCostList Trunks;
    std::vector<TCostEntry> Destinations; // one per distinct name, by row
    TCostReport Counts;                   // Total, BilledSeconds and the counts only
};

// Prices every call of calls by table; table and calls are only read. A large
// list is priced in parts on up to threads threads; the result is the same.
TCostReport PriceCalls(const TCallList& calls, const TTariffTable& table, unsigned threads = 2);

} // namespace tallyvox::report
