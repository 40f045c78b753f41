#pragma once
// Seeded, realistic office traffic: busy and quiet extensions, office hours,
// incoming and outgoing trunk calls, local, long-distance, mobile, international
// and service numbers (with * and #). Each trunk and each extension carries one
// call at a time: a call that finds every trunk busy is tried again a little
// after one is freed.
// Holding times are lognormal (median 90 s, capped at two hours).
// A rehearsal may add a toll-fraud attack (sim/TollFraudAttack.h) to the calls.

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "model/Clock.h"
#include "sim/CircuitGroup.h"
#include "sim/Scenario.h"
#include "sim/TollFraudAttack.h"

namespace tallyvox::sim {

// How the installation numbers its trunks in byte 10 of a record.
enum class TTrunkPlan { Arden, Polar, PolarC, Complex, Tinkle, Plain };

// The trunk plan of an installation's model code and name.
TTrunkPlan TrunkPlanOf(const TScenario& scenario);

class TTrafficGenerator {
public:
    // Calls of exchange number exchange (0 for a single exchange) of a plan.
    TTrafficGenerator(std::uint32_t seed, TTrunkPlan plan, int exchange);

    // The count latest calls that all ended by `end`, oldest first (in the
    // order they ended, as the exchange writes them); the trunks are then held
    // by these calls. With an attack asked for, its calls are there as well,
    // on top of the count.
    std::vector<TCall> History(int count, const TCalendarTime& end);
    // History also holds the attack of the seed, on the latest night over by its end.
    void AddAttack(std::uint32_t seed) { AttackSeed = seed; }
    // One call that ends at `end`, on a trunk that was free for it.
    TCall EndingAt(const TCalendarTime& end);
    // Goes on drawing from another seed, the trunks kept as they are.
    void Reseed(std::uint32_t seed);

private:
    struct TTimedCall;
    struct TAttempt;
    enum class TDirection { Outgoing, Incoming };

    int Uniform(int low, int high); // inclusive
    double Unit();                  // 0 < x < 1
    std::size_t PickLine(std::int64_t start);
    std::string PickDialled();
    std::uint32_t PickHoldingSeconds();
    std::int64_t NextArrival(std::int64_t after);
    std::int64_t RetryAfter(std::int64_t freed);
    std::size_t PickFreeTrunk(std::int64_t second);
    std::vector<TTimedCall> Traffic(std::int64_t from, std::int64_t to);
    TCall Call(std::int64_t start, std::uint32_t duration, std::uint8_t trunkCode,
               TDirection direction);
    TCall AttackCall(const TAttackCall& planned, std::uint8_t trunkCode);
    TCall CallFrom(std::size_t line, std::int64_t start, std::uint32_t duration,
                   std::uint8_t trunkCode);

    std::mt19937 Random;
    TTrunkPlan Plan;
    int Exchange;
    TCircuitGroup Trunks;
    TCircuitGroup Lines; // the extensions, by their index
    std::optional<std::uint32_t> AttackSeed;
    TAttack Attack; // planned for the traffic in hand
};

} // namespace tallyvox::sim
