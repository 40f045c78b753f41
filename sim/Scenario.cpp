#include "sim/Scenario.h"

#include "sim/TollFraudAttack.h"

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

// How many exchanges the host selects, from the model code and the name it reads
// (a name beginning with 2 or 3 is a complex of that many); 0 for a code outside
// the model table, where the host stops before selecting any.
std::size_t ExchangesTheHostSelects(const TScenario& scenario) {
    if (scenario.ModelCode < 2 || scenario.ModelCode > 9) {
        return 0;
    }
    if (scenario.ModelCode == 2 && !scenario.ModelName.empty()) {
        const char first = scenario.ModelName[0];
        return first == '2' ? 2 : first == '3' ? 3 : 1;
    }
    return 1;
}

} // namespace

std::optional<TEmptyEnding> EmptyEndingNamed(const std::string& name) {
    if (name == "short-reply") {
        return TEmptyEnding::ShortReply;
    }
    if (name == "link-check") {
        return TEmptyEnding::LinkCheck;
    }
    return std::nullopt;
}

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
    const std::size_t selected = ExchangesTheHostSelects(scenario);
    if (selected != 0 && selected != scenario.Exchanges.size()) {
        throw EScenarioError(
            "model code " + std::to_string(scenario.ModelCode) +
            (scenario.ModelCode == 2 ? " named \"" + scenario.ModelName + "\"" : "") +
            " is an installation of " + std::to_string(selected) + " exchange(s), not " +
            std::to_string(scenario.Exchanges.size()));
    }
    if (scenario.SecondsPerTick() == 1) {
        throw EScenarioError("a time unit of 1 second cannot count the ticks of a whole day in "
                             "16 bits: give 0 (6 seconds) or 2 and more");
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
    for (std::size_t i = 0; i < scenario.Exchanges.size(); ++i) {
        const TExchange& exchange = scenario.Exchanges[i];
        if (exchange.W1.has_value() != exchange.W2.has_value()) {
            throw EScenarioError("give both fill words w1 and w2, or neither");
        }
        // Without fill words of its own, the status shows what the buffer holds;
        // a fill above the capacity is a fault to ask for, not a mistake to make.
        const long long held = static_cast<long long>(exchange.Records.size()) +
                               exchange.Traffic.Count + exchange.Traffic.Erased +
                               (exchange.Traffic.AttackSeed ? AttackCallCount : 0);
        if (!exchange.W1 && held > exchange.Capacity) {
            throw EScenarioError("exchange " + std::to_string(i) + " would hold " +
                                 std::to_string(held) + " records, more than its capacity of " +
                                 std::to_string(exchange.Capacity));
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
