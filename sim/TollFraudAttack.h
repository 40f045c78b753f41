#pragma once
// A rehearsal of toll fraud, drawn from a seed: the night an exchange was broken
// into. First a burst of short calls to premium-rate numbers (the intruder
// trying the line), then waves of long international calls, several at once,
// until early morning. Every call is made from the one hacked extension.

#include <cstdint>
#include <string>
#include <vector>

namespace tallyvox::sim {

// One call of the attack as planned: it takes a trunk at At or, when every
// trunk is busy, a little after one is freed.
struct TAttackCall {
    std::int64_t At = 0; // seconds since 1 January 1980
    std::uint32_t DurationSeconds = 0;
    std::string Dialled;
};

struct TAttack {
    std::size_t Line = 0;           // the hacked extension, by its index
    std::vector<TAttackCall> Calls; // by At
};

// Calls in the burst, and in the night's waves.
inline constexpr int AttackBurstCalls = 12;
inline constexpr int AttackWaves = 8;
inline constexpr int AttackCallsPerWave = 3;
inline constexpr int AttackCallCount = AttackBurstCalls + AttackWaves * AttackCallsPerWave;

// The attack of a seed on the latest night that is over, with hours to spare,
// by `end` (seconds since 1 January 1980), on one of lineCount extensions.
TAttack PlanAttack(std::uint32_t seed, std::int64_t end, std::size_t lineCount);

} // namespace tallyvox::sim
