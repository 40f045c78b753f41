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

std::vector<std::uint8_t> RealTimePayloadOf(const TRealTimeSnapshot& snapshot) {
    std::vector<std::uint8_t> payload;
    if (snapshot.Groups.empty()) {
        return payload;
    }
    for (const auto& group : snapshot.Groups) {
        payload.push_back(static_cast<std::uint8_t>(group.size()));
        for (const TConnection& connection : group) {
            payload.insert(payload.end(), {connection.Type, connection.Code, connection.Value});
        }
    }
    payload.push_back(0);
    return payload;
}

void CheckScenario(const TScenario& scenario) {
    constexpr std::size_t maxPayload = 255;
    if (scenario.Exchanges.empty() || scenario.Exchanges.size() > 3) {
        throw EScenarioError("an installation has 1 to 3 exchanges");
    }
    if (scenario.Arrivals.Exchange >= static_cast<int>(scenario.Exchanges.size())) {
        throw EScenarioError("new calls arrive at an exchange the installation lacks");
    }
    if (scenario.RealTime.Payload && scenario.RealTime.Payload->size() > maxPayload) {
        throw EScenarioError("the real-time payload has at most 255 bytes");
    }
    for (std::size_t i = 0; i < scenario.RealTime.Snapshots.size(); ++i) {
        const TRealTimeSnapshot& snapshot = scenario.RealTime.Snapshots[i];
        if (RealTimePayloadOf(snapshot).size() > maxPayload) {
            throw EScenarioError("real-time snapshot " + std::to_string(i) +
                                 " does not fit one reply (255 bytes)");
        }
        if (i > 0 && snapshot.AtMs < scenario.RealTime.Snapshots[i - 1].AtMs) {
            throw EScenarioError("real-time snapshots must come in the order of their times");
        }
    }
    for (const TExchange& exchange : scenario.Exchanges) {
        if (exchange.W1.has_value() != exchange.W2.has_value()) {
            throw EScenarioError("give both fill words w1 and w2, or neither");
        }
    }
}

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
