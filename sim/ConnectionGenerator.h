#pragma once
// Seeded live connections of a small office for the real-time state: calls on
// trunks, internal calls, intercom and service connections and the odd entry of
// a type the host does not know, each lasting seconds to a minute, over a cycle
// that ends quiet so that it repeats without a jump.

#include <cstdint>

#include "sim/Scenario.h"

namespace tallyvox::sim {

inline constexpr std::uint32_t ConnectionCycleMs = 120'000;

// The snapshots of one cycle (one a second where something changed), repeating
// with period cycleMs. Every entry type shows within a cycle.
TRealTime GeneratedConnections(std::uint32_t seed, std::uint32_t cycleMs = ConnectionCycleMs);

} // namespace tallyvox::sim
