// Scenario files: every field read, every mistake reported with its place.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "sim/CommandLine.h"
#include "sim/Scenario.h"
#include "sim/Simulator.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::simtest {
namespace {

using sim::EScenarioError;
using sim::ParseScenario;

TEST(ScenarioJsonTest, AFullScenarioIsReadField_by_field) {
    const sim::TScenario scenario = ParseScenario(R"({
        "modelCode": 2, "modelName": "3-B", "versionMain": 3, "versionMinor": 33,
        "serialNumber": 4242, "key": 60, "timeUnit": 10,
        "clock": {"days": 8893, "ticks": 100},
        "exchanges": [
            {"capacity": 1000, "w1": 1200, "w2": 100, "records": [
                {"start": "2004-05-07 09:15:30", "duration": 125, "line": 5,
                 "directory": "205", "trunk": 65, "dialled": "80123*#"},
                {"raw": [15, 255, 1]},
                {"erased": true}]},
            {"traffic": {"count": 50, "seed": 9}},
            {}],
        "arrivals": {"everyMs": 500, "seed": 3, "exchange": 2},
        "realTime": {"snapshots": [{"atMs": 0, "groups": [[{"type": "D", "code": 5, "value": 0},
                                                          {"type": 70, "code": 1}]]}],
                     "periodMs": 4000},
        "faults": {"probe": "wrong", "probeCount": 2, "statusChecksumWrong": 3,
                   "refusedExchange": 1, "hangUpAfterRecords": 4, "modelCode": 10},
        "timing": {"mode": "real", "turnaroundUs": 500}
    })");
    EXPECT_EQ(scenario.ModelCode, 2);
    EXPECT_EQ(scenario.ModelName, "3-B");
    EXPECT_EQ(scenario.VersionMinor, 33);
    EXPECT_EQ(scenario.Key, 60);
    EXPECT_EQ(scenario.SecondsPerTick(), 10);
    EXPECT_EQ(scenario.ClockDays, 8893);
    EXPECT_EQ(scenario.ClockTicks, 100);
    ASSERT_EQ(scenario.Exchanges.size(), 3u);
    EXPECT_EQ(scenario.Exchanges[0].W1, 1200);
    ASSERT_EQ(scenario.Exchanges[0].Records.size(), 3u);
    const sim::TCall& call = scenario.Exchanges[0].Records[0].Call;
    EXPECT_EQ(call.Start, testkit::At(2004, 5, 7, 9, 15, 30));
    EXPECT_EQ(call.Dialled, "80123*#");
    EXPECT_EQ(call.TrunkCode, 65);
    EXPECT_EQ(scenario.Exchanges[0].Records[1].Kind, sim::TBufferRecord::TKind::Raw);
    EXPECT_EQ(scenario.Exchanges[0].Records[2].Kind, sim::TBufferRecord::TKind::Erased);
    EXPECT_EQ(scenario.Exchanges[1].Traffic.Count, 50);
    EXPECT_EQ(scenario.Exchanges[2].Capacity, 2000);
    EXPECT_FALSE(scenario.Exchanges[2].W1);
    EXPECT_EQ(scenario.Arrivals.Exchange, 2);
    ASSERT_EQ(scenario.RealTime.Snapshots.size(), 1u);
    EXPECT_EQ(scenario.RealTime.Snapshots[0].Groups[0][1].Type, 0x46);
    EXPECT_EQ(scenario.Faults.Probe, sim::TProbeFault::Wrong);
    EXPECT_EQ(scenario.Faults.StatusChecksumWrong, 3);
    EXPECT_EQ(scenario.Faults.ModelCode, 10);
    EXPECT_EQ(scenario.Timing.Mode, sim::TTimingMode::RealLine);
    EXPECT_EQ(scenario.Timing.Turnaround.count(), 500);
}

TEST(ScenarioJsonTest, AnEmptyObjectIsTheDefaultSingleExchange) {
    const sim::TScenario scenario = ParseScenario("{}");
    EXPECT_EQ(scenario.ModelCode, 6);
    EXPECT_EQ(scenario.Exchanges.size(), 1u);
    EXPECT_EQ(scenario.Timing.Mode, sim::TTimingMode::Fast);
    EXPECT_EQ(scenario.EmptyEnding, sim::TEmptyEnding::ShortReply);
    EXPECT_EQ(ParseScenario(R"({"emptyEnding": "link-check"})").EmptyEnding,
              sim::TEmptyEnding::LinkCheck);
}

TEST(ScenarioJsonTest, TheClockMayBeADate) {
    const sim::TScenario scenario = ParseScenario(R"({"clock": "2004-05-07 09:05:00"})");
    EXPECT_EQ(scenario.ClockDays, 8893);
    EXPECT_EQ(scenario.ClockTicks, 5450);
}

void ExpectError(const std::string& json, const std::string& part) {
    try {
        ParseScenario(json);
        ADD_FAILURE() << "accepted: " << json;
    } catch (const EScenarioError& error) {
        EXPECT_NE(std::string(error.what()).find(part), std::string::npos)
            << "message: " << error.what();
    }
}

TEST(ScenarioJsonTest, MistakesAreReportedWithTheirPlace) {
    ExpectError("{", "not valid JSON");
    ExpectError("", "not valid JSON");
    ExpectError("[]", "expected an object");
    ExpectError(R"({"modle": 6})", "unknown key \"modle\"");
    ExpectError(R"({"key": "x"})", "key: expected an integer");
    ExpectError(R"({"key": 256})", "key: expected 0 to 255");
    ExpectError(R"({"key": -1})", "key: expected 0 to 255");
    ExpectError(R"({"key": 1.5})", "key: expected an integer");
    ExpectError(R"({"key": 18446744073709551615})", "key: expected 0 to 255");
    ExpectError(R"({"modelName": "12345678"})", "at most 7");
    ExpectError(R"({"exchanges": []})", "1 to 3 exchanges");
    ExpectError(R"({"exchanges": [{}, {}, {}, {}]})", "1 to 3 exchanges");
    ExpectError(R"({"exchanges": [{"w1": 3}]})", "w1 and w2");
    ExpectError(R"({"exchanges": [{"records": [{"start": "2004-13-01 00:00:00"}]}]})",
                "exchanges[0].records[0].start");
    ExpectError(R"({"exchanges": [{"records": [{"start": "yesterday"}]}]})", "YYYY-MM-DD");
    ExpectError(R"({"exchanges": [{"records": [{"duration": 5}]}]})", "needs its start");
    ExpectError(R"({"exchanges": [{"records": [{"start": "2004-05-07 09:00:00",
                    "dialled": "12x"}]}]})",
                "not a digit");
    ExpectError(R"({"exchanges": [{"records": [{"raw": [1, 300]}]}]})", "raw[1]");
    ExpectError(R"({"exchanges": [{"records": [{"erased": false}]}]})", "only true");
    ExpectError(R"({"arrivals": {"exchange": 1}})", "arrivals.exchange");
    ExpectError(R"({"faults": {"probe": "sometimes"}})", "faults.probe");
    ExpectError(R"({"faults": {"bogus": 1}})", "unknown key \"bogus\"");
    ExpectError(R"({"timing": {"mode": "slow"}})", "timing.mode");
    ExpectError(R"({"emptyEnding": "silence"})", "emptyEnding");
    ExpectError(R"({"realTime": {"snapshots": [{"atMs": 5, "groups": []},
                                             {"atMs": 1, "groups": []}]}})",
                "order of their times");
    ExpectError(R"({"realTime": {"payload": "abc"}})", "array of bytes");
}

// The host learns how many exchanges to select from the model code and, for
// code 2, the name: buffers it would never select are a mistake.
TEST(ScenarioJsonTest, AnInstallationHasAsManyExchangesAsTheHostWillSelect) {
    ExpectError(R"({"exchanges": [{}, {}]})", "installation of 1 exchange(s), not 2");
    ExpectError(R"({"modelCode": 2, "modelName": "3-B", "exchanges": [{}, {}]})",
                "installation of 3 exchange(s), not 2");
    ExpectError(R"({"modelCode": 2, "modelName": "Polar-C", "exchanges": [{}, {}]})",
                "installation of 1 exchange(s), not 2");
    ExpectError(R"({"modelCode": 2, "modelName": "2-B"})", "installation of 2 exchange(s), not 1");
    EXPECT_EQ(ParseScenario(R"({"modelCode": 2, "modelName": "2?B.x.y", "exchanges": [{}, {}]})")
                  .Exchanges.size(),
              2u);
    EXPECT_EQ(ParseScenario(R"({"modelCode": 9})").Exchanges.size(), 1u);
    // A code outside the model table stops the host before any selection.
    EXPECT_EQ(ParseScenario(R"({"modelCode": 10, "exchanges": [{}, {}]})").Exchanges.size(), 2u);
    sim::TScenario code3 = sim::ComplexScenario(3);
    code3.Exchanges.pop_back();
    EXPECT_THROW(sim::TSimulator{code3}, EScenarioError);
}

TEST(ScenarioJsonTest, AnExchangeHoldsNoMoreRecordsThanItsCapacityUnlessItsFillWordsSaySo) {
    ExpectError(R"({"exchanges": [{"capacity": 10, "traffic": {"count": 8, "erased": 3}}]})",
                "exchange 0 would hold 11 records, more than its capacity of 10");
    EXPECT_EQ(ParseScenario(R"({"exchanges": [{"capacity": 10, "traffic": {"count": 10}}]})")
                  .Exchanges[0]
                  .Traffic.Count,
              10);
    EXPECT_EQ(ParseScenario(R"({"exchanges": [{"capacity": 1, "w1": 5, "w2": 0,
                                               "traffic": {"count": 3}}]})")
                  .Exchanges[0]
                  .Capacity,
              1);
    EXPECT_THROW(sim::ParseCommandLine({"--calls", "2001"}), EScenarioError);
}

TEST(ScenarioJsonTest, ATimeUnitOfOneSecondCannotCountADayAndIsRefused) {
    ExpectError(R"({"timeUnit": 1})", "time unit of 1 second");
    EXPECT_EQ(ParseScenario(R"({"timeUnit": 2})").SecondsPerTick(), 2);
    sim::TScenario scenario;
    scenario.TimeUnit = 1;
    EXPECT_THROW(sim::TSimulator{scenario}, EScenarioError);
}

TEST(ScenarioJsonTest, AFaultCanBeSetByItsName) {
    sim::TFaults faults;
    sim::SetFault(faults, "probe", "silent");
    sim::SetFault(faults, "statusChecksumWrong", "4");
    sim::SetFault(faults, "noIdentification", "true");
    sim::SetFault(faults, "fillAboveCapacity", "5");
    EXPECT_EQ(faults.FillAboveCapacity, 5);
    EXPECT_EQ(faults.Probe, sim::TProbeFault::Silent);
    EXPECT_EQ(faults.StatusChecksumWrong, 4);
    EXPECT_TRUE(faults.NoIdentification);
    EXPECT_THROW(sim::SetFault(faults, "nonsense", "1"), EScenarioError);
    EXPECT_THROW(sim::SetFault(faults, "statusChecksumWrong", "many"), EScenarioError);
}

TEST(ScenarioJsonTest, AFileIsReadOrItsAbsenceReported) {
    testkit::TTempDir folder;
    const std::string path = (folder.Path() / "scenario.json").string();
    std::ofstream(path) << R"({"serialNumber": 77})";
    EXPECT_EQ(sim::LoadScenario(path).SerialNumber, 77);
    EXPECT_THROW(sim::LoadScenario(path + ".missing"), EScenarioError);
}

// The example scenarios shipped for users start an exchange as they stand.
TEST(ScenarioJsonTest, TheExampleScenariosBuildAnExchange) {
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TALLYVOX_SCENARIO_DIR)) {
        SCOPED_TRACE(entry.path().string());
        sim::TSimulator simulator(sim::LoadScenario(entry.path().string()));
        EXPECT_GT(simulator.PendingRecords(0), 0);
        ++examples;
    }
    EXPECT_GE(examples, 2);
}

} // namespace
} // namespace tallyvox::simtest
