#pragma once
// What the calls of a list cost by a tariff table: each call's row, billed
// seconds and cost, and the totals per subscriber line, per trunk and per
// destination. Totals are sums of the rounded call costs, as a bill shows them.

#include <cstdint>
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

// Prices every call of calls by table; table and calls are only read.
TCostReport PriceCalls(const TCallList& calls, const TTariffTable& table);

} // namespace tallyvox::report
