// The live connections that the simulator plays for the real-time window: the
// generated ones and the example scenario file.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "sim/CommandLine.h"
#include "sim/ConnectionGenerator.h"

namespace tallyvox::simtest {
namespace {

using sim::TConnection;
using sim::TRealTime;

using TKey = std::tuple<std::uint8_t, std::uint8_t>; // type and code of an entry

struct TCase {
    const char* Name;
    TRealTime State;
};

std::vector<TCase> Cases() {
    return {{"generated, seed 1", sim::GeneratedConnections(1)},
            {"generated, seed 77", sim::GeneratedConnections(77)},
            {"arden-s-connections.json",
             sim::LoadScenario(TALLYVOX_SCENARIO_DIR "/arden-s-connections.json").RealTime}};
}

TEST(ConnectionGeneratorTest, ConnectionsOfEveryTypeComeAndGoOverAMinuteOrTwo) {
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(c.Name);
        const TRealTime& state = c.State;
        ASSERT_FALSE(state.Snapshots.empty());
        EXPECT_GE(state.PeriodMs, 60'000u);
        EXPECT_LE(state.PeriodMs, 180'000u);
        EXPECT_GE(state.Snapshots.size(), 10u);
        EXPECT_TRUE(state.Snapshots.back().Groups.empty()) << "the cycle ends quiet";

        sim::TScenario scenario = sim::SingleExchangeScenario(4);
        scenario.RealTime = state;
        EXPECT_NO_THROW(sim::CheckScenario(scenario));

        std::set<std::uint8_t> types;
        // When each line or trunk was first and last seen busy.
        std::map<TKey, std::pair<std::uint32_t, std::uint32_t>> seen;
        for (const sim::TRealTimeSnapshot& snapshot : state.Snapshots) {
            EXPECT_LT(snapshot.AtMs, state.PeriodMs);
            std::set<TKey> busyNow;
            for (const auto& group : snapshot.Groups) {
                for (const TConnection& entry : group) {
                    types.insert(entry.Type);
                    const TKey key{entry.Type, entry.Code};
                    if (entry.Type == 'D' || entry.Type == 'F') {
                        EXPECT_TRUE(busyNow.insert(key).second)
                            << "line or trunk in two connections at " << snapshot.AtMs;
                    }
                    auto [at, added] = seen.try_emplace(key, snapshot.AtMs, snapshot.AtMs);
                    at->second.second = snapshot.AtMs;
                }
            }
        }
        for (std::uint8_t type : {'D', 'E', 'F', 'G'}) {
            EXPECT_EQ(types.count(type), 1u) << "no entry of type " << type;
        }
        EXPECT_GE(types.size(), 5u) << "no entry of a type the host does not know";
        int cameAndWent = 0;
        for (const auto& [key, span] : seen) {
            cameAndWent += span.first > 0 && span.second < state.Snapshots.back().AtMs ? 1 : 0;
        }
        EXPECT_GE(cameAndWent, 5);
    }
}

TEST(ConnectionGeneratorTest, TheSeedDecides) {
    const auto payloads = [](const TRealTime& state) {
        std::vector<std::vector<std::uint8_t>> all;
        for (const auto& snapshot : state.Snapshots) {
            all.push_back(sim::RealTimePayloadOf(snapshot));
        }
        return all;
    };
    EXPECT_EQ(payloads(sim::GeneratedConnections(5)), payloads(sim::GeneratedConnections(5)));
    EXPECT_NE(payloads(sim::GeneratedConnections(5)), payloads(sim::GeneratedConnections(6)));

    const sim::TCommandLine line = sim::ParseCommandLine({"--connections", "5"});
    EXPECT_EQ(payloads(line.Scenario.RealTime), payloads(sim::GeneratedConnections(5)));
    EXPECT_EQ(line.Scenario.RealTime.PeriodMs, sim::ConnectionCycleMs);
}

} // namespace
} // namespace tallyvox::simtest
