// The options of the tallyvox-sim program.

#include <fstream>
#include <gtest/gtest.h>

#include "sim/CommandLine.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::simtest {
namespace {

using sim::ParseCommandLine;

TEST(CommandLineTest, WithoutOptionsItIsAnEmptyArdenL1) {
    const sim::TCommandLine line = ParseCommandLine({});
    EXPECT_EQ(line.Scenario.ModelCode, 6);
    EXPECT_EQ(line.Scenario.Exchanges.size(), 1u);
    EXPECT_EQ(line.Scenario.Exchanges[0].Traffic.Count, 0);
    EXPECT_TRUE(line.LinkPath.empty());
    EXPECT_FALSE(line.Help);
}

TEST(CommandLineTest, OptionsShapeTheScenario) {
    const sim::TCommandLine line = ParseCommandLine({"--complex",
                                                     "3",
                                                     "--calls",
                                                     "40",
                                                     "--seed",
                                                     "9",
                                                     "--arrive-every",
                                                     "250",
                                                     "--real-timing",
                                                     "--turnaround",
                                                     "0",
                                                     "--link",
                                                     "/tmp/x",
                                                     "--fault",
                                                     "probe=wrong",
                                                     "--fault",
                                                     "hangUpAfterRecords=5",
                                                     "--state",
                                                     "/tmp/s",
                                                     "--empty-ending",
                                                     "link-check"});
    const sim::TScenario& scenario = line.Scenario;
    EXPECT_EQ(scenario.ModelCode, 2);
    ASSERT_EQ(scenario.Exchanges.size(), 3u);
    EXPECT_EQ(scenario.Exchanges[2].Traffic.Count, 40);
    EXPECT_EQ(scenario.Exchanges[0].Traffic.Seed, 9u);
    EXPECT_EQ(scenario.Arrivals.EveryMs, 250);
    EXPECT_EQ(scenario.Timing.Mode, sim::TTimingMode::RealLine);
    EXPECT_EQ(scenario.Timing.Turnaround.count(), 0);
    EXPECT_EQ(scenario.Timing.FastMargin.count(), 0);
    EXPECT_EQ(scenario.Faults.Probe, sim::TProbeFault::Wrong);
    EXPECT_EQ(scenario.Faults.HangUpAfterRecords, 5);
    EXPECT_EQ(line.LinkPath, "/tmp/x");
    EXPECT_EQ(line.StateFile, "/tmp/s");
    EXPECT_EQ(scenario.EmptyEnding, sim::TEmptyEnding::LinkCheck);
}

TEST(CommandLineTest, AScenarioFileIsTheBaseThatOptionsAdjust) {
    testkit::TTempDir folder;
    const std::string path = (folder.Path() / "s.json").string();
    std::ofstream(path)
        << R"({"modelCode": 2, "modelName": "2-B", "serialNumber": 99, "exchanges": [{}, {}]})";
    const sim::TCommandLine line = ParseCommandLine({"--scenario", path, "--calls", "7"});
    EXPECT_EQ(line.Scenario.SerialNumber, 99);
    EXPECT_EQ(line.Scenario.Exchanges[1].Traffic.Count, 7);
    // A model code that makes the host select one exchange of the two.
    EXPECT_THROW(ParseCommandLine({"--scenario", path, "--model", "6"}), sim::EScenarioError);
}

TEST(CommandLineTest, MistakesAreReported) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"--calls"},
                                               {"--calls", "many"},
                                               {"--calls", "-1"},
                                               {"--complex", "4"},
                                               {"--turnaround", "-5"},
                                               {"--empty-ending", "silence"},
                                               {"--complex", "2", "--model", "6"},
                                               {"--fault", "probe"},
                                               {"--fault", "nonsense=1"},
                                               {"--scenario", "/nonexistent/s.json"}}) {
        EXPECT_THROW(ParseCommandLine(arguments), sim::EScenarioError) << arguments[0];
    }
}

} // namespace
} // namespace tallyvox::simtest
