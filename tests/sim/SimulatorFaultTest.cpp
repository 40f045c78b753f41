// Every named fault of the simulator, seen from the host's end of the line.

#include <gtest/gtest.h>
#include <thread>

#include "tests/kit/PtyPeer.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/WaitUntil.h"
#include "tests/sim/TestScenario.h"

namespace tallyvox::simtest {

using testkit::ChecksumHolds;
using testkit::Clear;
using testkit::TBytes;
using testkit::THostEnd;

namespace {

using sim::TScenario;

std::size_t FramedLength(const TBytes& reply) {
    return reply.empty() ? 0 : reply[0];
}

TEST(SimulatorFaultTest, WrongProbeAnswersForTheFirstProbesOnly) {
    TScenario scenario = WithCalls(0);
    scenario.Faults.Probe = sim::TProbeFault::Wrong;
    scenario.Faults.ProbeFaultCount = 2;
    scenario.Faults.ProbeWrongAnswer = 0x3F;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    TBytes answers;
    for (int i = 0; i < 4; ++i) {
        host.Send({0x00});
        const TBytes answer = host.Read(1);
        answers.insert(answers.end(), answer.begin(), answer.end());
    }
    EXPECT_EQ(answers, (TBytes{0x3F, 0x3F, 0x00, 0x00}));
}

TEST(SimulatorFaultTest, ASilentProbeFaultForEveryProbeNeverAnswers) {
    TScenario scenario = WithCalls(0);
    scenario.Faults.Probe = sim::TProbeFault::Silent;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send({0x00, 0x00, 0x00});
    EXPECT_TRUE(host.ReadAll().empty());
    host.Send({0x40, 0x03}); // the rest of the protocol still answers
    EXPECT_EQ(host.Read(8).size(), 8u);
}

TEST(SimulatorFaultTest, IdentificationCanGoUnansweredOrCarryAnUnknownModel) {
    TScenario scenario = WithCalls(0);
    scenario.Faults.ModelCode = 10;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send({0x01});
    const TBytes reply = host.Read(17);
    ASSERT_EQ(reply.size(), 17u);
    EXPECT_EQ(reply[1 + 5] ^ Key, 10);
    harness.Sim().ChangeFaults([](sim::TFaults& faults) { faults.NoIdentification = true; });
    host.Send({0x01});
    EXPECT_TRUE(host.ReadAll().empty());
}

TEST(SimulatorFaultTest, TheStatusChecksumIsWrongTheGivenNumberOfTimes) {
    TScenario scenario = WithCalls(0);
    scenario.Faults.StatusChecksumWrong = 2;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    EXPECT_FALSE(ChecksumHolds(host.Framed({0x40, 0x03})));
    EXPECT_FALSE(ChecksumHolds(host.Framed({0x40, 0x03})));
    EXPECT_TRUE(ChecksumHolds(host.Framed({0x40, 0x03})));
    EXPECT_EQ(harness.Sim().Faults().StatusChecksumWrong, 0);
}

TEST(SimulatorFaultTest, TheStatusCanShowMoreRecordsThanTheCapacity) {
    TScenario scenario = sim::ComplexScenario(2, 3);
    scenario.Exchanges[1].Capacity = 1000;
    scenario.Faults.FillAboveCapacity = 200;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    const std::uint8_t combined = 1 ^ scenario.Key;
    host.Send({0x84, 0x01, combined, combined});
    host.Read(2);
    const TBytes status = Clear(host.Framed({0x40, 0x03}), scenario.Key);
    ASSERT_EQ(status.size(), 6u);
    const int capacity = status[0] + 256 * status[1];
    const int fill = (status[2] + 256 * status[3]) - (status[4] + 256 * status[5]);
    EXPECT_EQ(capacity, 1000);
    EXPECT_EQ(fill, 1200);
    harness.Sim().SetFaults({});
    const TBytes honest = Clear(host.Framed({0x40, 0x03}), scenario.Key);
    EXPECT_EQ((honest[2] + 256 * honest[3]) - (honest[4] + 256 * honest[5]), 3);
}

TEST(SimulatorFaultTest, SelectionsAreRefusedForAnExchangeOrAfterSomeWereAccepted) {
    TScenario scenario = sim::ComplexScenario(3);
    scenario.Faults.RefusedExchange = 2;
    scenario.Faults.SelectionsAccepted = 2;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    auto select = [&](std::uint8_t i) {
        const std::uint8_t combined = i ^ scenario.Key;
        host.Send({0x84, 0x01, combined, combined});
        return host.Read(2).at(1);
    };
    EXPECT_EQ(select(2), 0x01);
    EXPECT_EQ(select(0), 0x00);
    EXPECT_EQ(select(1), 0x00);
    EXPECT_EQ(select(0), 0x01); // as a download's selection after identification
}

TEST(SimulatorFaultTest, NextRecordChecksumsAreWrongAndRecordRepliesCanBeEmpty) {
    TScenario scenario = WithCalls(3);
    scenario.Faults.NextRecordChecksumWrong = 1;
    scenario.Faults.EmptyRecordReplies = 1;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    EXPECT_EQ(host.Framed({0x02}), (TBytes{0x00, 0x00}));
    EXPECT_TRUE(ChecksumHolds(host.Framed({0x02})));
    EXPECT_FALSE(ChecksumHolds(host.Framed({0x03})));
    EXPECT_TRUE(ChecksumHolds(host.Framed({0x03})));
    EXPECT_EQ(harness.Sim().SentRecords().size(), 3u);
}

TEST(SimulatorFaultTest, TheBufferCanEndEarly) {
    TScenario scenario = WithCalls(5);
    scenario.Faults.EndAfterRecords = 2;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    EXPECT_GT(FramedLength(host.Framed({0x02})), 1u);
    EXPECT_GT(FramedLength(host.Framed({0x03})), 1u);
    EXPECT_EQ(FramedLength(host.Framed({0x03})), 1u);
    EXPECT_EQ(harness.Sim().PendingRecords(0), 3);
}

TEST(SimulatorFaultTest, TheExchangeFallsSilentAfterSomeRecords) {
    TScenario scenario = WithCalls(5);
    scenario.Faults.SilentAfterRecords = 1;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    EXPECT_GT(FramedLength(host.Framed({0x02})), 1u);
    host.Send({0x00});
    EXPECT_TRUE(host.ReadAll().empty());
}

TEST(SimulatorFaultTest, TheLineGoesAwayAfterSomeRecords) {
    TScenario scenario = WithCalls(5);
    scenario.Faults.HangUpAfterRecords = 2;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    EXPECT_GT(FramedLength(host.Framed({0x02})), 1u);
    EXPECT_TRUE(harness.Sim().LineUp());
    EXPECT_GT(FramedLength(host.Framed({0x03})), 1u); // the second record still arrives
    EXPECT_TRUE(harness.Sim().LineUp());
    host.Send({0x00});
    EXPECT_TRUE(testkit::WaitUntil([&harness] { return !harness.Sim().LineUp(); }));
    std::uint8_t byte = 0;
    EXPECT_LE(::read(host.Fd, &byte, 1), 0); // end of file or an error: nobody there
}

TEST(SimulatorFaultTest, NoiseFollowsEveryReply) {
    TScenario scenario = WithCalls(0);
    scenario.Faults.NoiseBytes = 3;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send({0x00});
    const TBytes reply = host.ReadAll();
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_EQ(reply[0], 0x00);
}

TEST(SimulatorFaultTest, FaultsSetWhileRunningCountTheirRecordsAfresh) {
    TScenario scenario = WithCalls(4);
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Framed({0x02});
    host.Framed({0x03});
    sim::TFaults faults;
    faults.EndAfterRecords = 1;
    harness.Sim().SetFaults(faults);
    EXPECT_GT(FramedLength(host.Framed({0x03})), 1u);
    EXPECT_EQ(FramedLength(host.Framed({0x03})), 1u);
}

} // namespace
} // namespace tallyvox::simtest
