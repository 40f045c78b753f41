#pragma once
// Seeded, realistic office traffic: busy and quiet extensions, office hours,
// incoming and outgoing trunk calls, local, long-distance, mobile, international
// and service numbers (with * and #), durations from seconds to hours.

#include <cstdint>
#include <random>
#include <vector>

#include "exchange/Clock.h"
#include "sim/Scenario.h"

namespace tallyvox::sim {

// How the installation numbers its trunks in byte 10 of a record.
enum class TTrunkPlan { Arden, Polar, PolarC, Complex, Tinkle, Plain };

// The trunk plan of an installation's model code and name.
TTrunkPlan TrunkPlanOf(const TScenario& scenario);

class TTrafficGenerator {
public:
    // Calls of exchange number exchange (0 for a single exchange) of a plan.
    TTrafficGenerator(std::uint32_t seed, TTrunkPlan plan, int exchange);

    // count calls that all ended by `end`, oldest first, over the days before it.
    std::vector<TCall> History(int count, const TCalendarTime& end);
    // One call that ends at `end`.
    TCall EndingAt(const TCalendarTime& end);

private:
    int Uniform(int low, int high); // inclusive
    std::uint16_t PickLine();
    std::uint8_t PickTrunkCode();
    std::string PickDialled();
    std::uint32_t PickDurationSeconds();
    TCall Call(const TCalendarTime& start, std::uint32_t duration);

    std::mt19937 Random;
    TTrunkPlan Plan;
    int Exchange;
};

} // namespace tallyvox::sim
