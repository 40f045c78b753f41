// Reads arbitrary bytes as a simulator scenario file: a bad file is refused
// with EScenarioError, never with a crash or another exception, and a scenario
// that is accepted builds an exchange.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/ExchangeModel.h"
#include "sim/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        tallyvox::sim::TScenario scenario =
            tallyvox::sim::ParseScenario(std::string(reinterpret_cast<const char*>(data), size));
        // Large generated buffers say nothing new about the file; keep runs fast.
        for (auto& exchange : scenario.Exchanges) {
            exchange.Traffic.Count = std::min(exchange.Traffic.Count, 50);
        }
        tallyvox::sim::TExchangeModel model(scenario, std::chrono::steady_clock::now());
    } catch (const tallyvox::sim::EScenarioError&) {
    }
    return 0;
}
