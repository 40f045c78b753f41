// A month of the simulator's traffic, read through a pseudo-terminal as the
// program reads an exchange, is traffic its trunks could have carried, and the
// report's busy-hour figures stay within those trunks.

#include <algorithm>
#include <map>

#include "callfile/CallFileWriter.h"
#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "report/Load.h"
#include "report/TrunkLoad.h"
#include "tests/e2e/LinkFixture.h"

namespace tallyvox::e2e {
namespace {

using TrafficFiguresTest = LinkFixture;

TEST_F(TrafficFiguresTest, AGeneratedMonthIsTrafficItsTrunksCouldCarry) {
    constexpr std::uint8_t ArdenS = 4; // four trunks
    constexpr std::size_t CallCount = 1900;
    Connect(sim::SingleExchangeScenario(ArdenS, CallCount, 2004));
    ASSERT_EQ(Link->Identify(), 1);
    const std::string fileName = "calls.txt";
    callfile::TCallFileWriter writer;
    std::size_t records = 0;
    Link->Download([&](const TRecord& record) {
        writer.AppendLine(fileName, callfile::FormatCallLine(record));
        ++records;
    });
    ASSERT_EQ(records, CallCount);
    const report::TCallList calls = report::LoadCallFile(fileName);
    ASSERT_EQ(calls.Count(), CallCount);

    std::map<std::string, std::vector<std::pair<std::int64_t, std::int64_t>>> byTrunk;
    std::vector<int> holding;
    for (const report::TExtStr_rep& call : calls) {
        const std::int64_t start = report::SecondsOf(call.Start);
        byTrunk[std::string(call.Trunk)].emplace_back(start, start + call.TotalSeconds);
        holding.push_back(call.TotalSeconds);
    }
    ASSERT_EQ(byTrunk.size(), 4u);
    for (auto& [trunk, times] : byTrunk) {
        std::sort(times.begin(), times.end());
        for (std::size_t i = 1; i < times.size(); ++i) {
            EXPECT_GE(times[i].first, times[i - 1].second) << "trunk " << trunk << " call " << i;
        }
    }
    std::sort(holding.begin(), holding.end());
    EXPECT_LT(holding[holding.size() / 2], 300);
    const auto overAnHour =
        std::count_if(holding.begin(), holding.end(), [](int seconds) { return seconds > 3600; });
    EXPECT_LT(static_cast<double>(overAnHour), 0.01 * CallCount);

    const report::TTrunkLoad load = report::TrunkLoad({calls.begin(), calls.end()}, {});
    EXPECT_GE(load.PeriodHours, 28u * 24); // a month
    for (const report::THourOccupancy& hour : load.Hours) {
        EXPECT_LE(hour.Seconds(), 4u * 3600);
    }
    EXPECT_LE(load.Erlangs(), load.TrunksInUseAtOnce);
    EXPECT_LE(load.TrunksInUseAtOnceInPeriod, 4u);
    EXPECT_EQ(load.NormalLoad.Days, report::NormalLoadDays);
    EXPECT_LE(load.HighLoad.Erlangs, load.Erlangs());
    EXPECT_LE(load.NormalLoad.Erlangs, load.HighLoad.Erlangs);
}

} // namespace
} // namespace tallyvox::e2e
