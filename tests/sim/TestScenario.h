#pragma once
// The scenario that the simulator tests start from.

#include <cstdint>

#include "sim/Scenario.h"

namespace tallyvox::simtest {

// The key byte of the tests' exchanges.
constexpr std::uint8_t Key = 0x5A;

// A single exchange holding count calls generated from seed 5.
inline sim::TScenario WithCalls(int count) {
    sim::TScenario scenario;
    scenario.Key = Key;
    scenario.Exchanges[0].Traffic = {count, 5};
    return scenario;
}

} // namespace tallyvox::simtest
