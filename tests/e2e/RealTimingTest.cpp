// One installation identified and emptied at the real timings: the system
// clock, and the simulator pacing every byte at 19200 baud with two stop bits.

#include <boost/make_shared.hpp>

#include "tests/e2e/LinkFixture.h"

namespace tallyvox::e2e {
namespace {

using RealTimingTest = LinkFixture;

TEST_F(RealTimingTest, AComplexOfTwoIsIdentifiedAndEmptiedAtTheRealTimingsOfTheLine) {
    sim::TScenario scenario = sim::ComplexScenario(2, 2);
    scenario.Timing.Mode = sim::TTimingMode::RealLine;
    Connect(scenario, boost::make_shared<TSystemClock>());

    ASSERT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->ExchangeCount, 2);
    EXPECT_EQ(Link->Status.BufferCapacity, 4000);
    EXPECT_EQ(Link->Status.BufferFill, 4);

    std::vector<TRecord> received;
    EXPECT_EQ(Link->Download([&](TRecord record) { received.push_back(std::move(record)); }), 1);
    ASSERT_EQ(received.size(), 4u);
    const std::vector<sim::TSentRecord> sent = Sim().SentRecords();
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(received[i], Link->DecodeRecord(sent[i].Payload.data(), sent[i].Payload.size()));
    }
}

} // namespace
} // namespace tallyvox::e2e
