#include "sim/Scenario.h"

namespace tallyvox::sim {
namespace {

// A few lines and trunks busy in turn, so the real-time window has something
// to follow: a call on a trunk, an internal call, then a quiet moment.
TRealTime OfficeConnections() {
    TRealTime state;
    state.PeriodMs = 6000;
    state.Snapshots = {
        {0, {{{'D', 5, 0}, {'F', 1, 3}}, {{'D', 12, 1}}}},
        {2000, {{{'D', 5, 0}, {'F', 1, 3}}, {{'D', 7, 0}, {'E', 2, 1}}, {{'G', 1, 0}}}},
        {4000, {}},
    };
    return state;
}

TExchange Generated(int calls, std::uint32_t seed) {
    TExchange exchange;
    exchange.Traffic = {calls, seed};
    return exchange;
}

} // namespace

TScenario SingleExchangeScenario(std::uint8_t modelCode, int calls, std::uint32_t seed) {
    TScenario scenario;
    scenario.ModelCode = modelCode;
    if (modelCode == 2) {
        scenario.ModelName = "Polar-C";
    }
    scenario.Exchanges = {Generated(calls, seed)};
    scenario.RealTime = OfficeConnections();
    return scenario;
}

TScenario ComplexScenario(int exchangeCount, int callsEach, std::uint32_t seed) {
    TScenario scenario;
    scenario.ModelCode = 2;
    scenario.ModelName = std::to_string(exchangeCount) + "-B";
    scenario.Exchanges.clear();
    for (int i = 0; i < exchangeCount; ++i) {
        scenario.Exchanges.push_back(Generated(callsEach, seed + static_cast<std::uint32_t>(i)));
    }
    scenario.RealTime = OfficeConnections();
    return scenario;
}

} // namespace tallyvox::sim
