// The exchange's side of the protocol without a line, for what would take too
// long to drive through one.

#include <gtest/gtest.h>

#include "model/Protocol.h"
#include "sim/BoundedLog.h"
#include "sim/ExchangeModel.h"

namespace tallyvox::simtest {
namespace {

using TBytes = std::vector<std::uint8_t>;

// The fill that the host reads from a status reply: word 1 - word 2, signed.
int FillOf(const sim::TAnswer& status, std::uint8_t key) {
    const TBytes& wire = status.Bytes;
    auto word = [&](std::size_t at) { return (wire[1 + at] ^ key) + 256 * (wire[2 + at] ^ key); };
    return word(2) - word(4);
}

// Over days of new calls the counts behind the fill words pass what a word holds;
// the fill the host reads stays what the buffer holds.
TEST(ExchangeModelTest, TheFillStaysRightWhenTheCountsPassSixteenBits) {
    sim::TScenario scenario;
    scenario.Exchanges[0].Capacity = 2000;
    const auto origin = std::chrono::steady_clock::now();
    sim::TExchangeModel model(scenario, origin);
    const sim::TCommand next{sim::TCommandKind::NextRecord, {0x03}};
    const sim::TCommand status{sim::TCommandKind::Status, {0x40, 0x03}};
    const sim::TBufferRecord record{sim::TBufferRecord::TKind::Raw, {}, TBytes(11, 1)};
    int held = 0;
    for (int round = 0; round < 700; ++round) {
        for (int i = 0; i < 100; ++i) {
            model.AddRecord(0, record);
        }
        held += 100;
        for (int i = 0; i < 100 - round % 3; ++i) {
            ASSERT_GT(model.Answer(next, origin).Bytes.size(), 3u);
            --held;
        }
        ASSERT_EQ(FillOf(model.Answer(status, origin), scenario.Key), held) << "round " << round;
    }
    EXPECT_EQ(model.SentRecordCount(), 70000u - static_cast<unsigned>(held));
}

// An exchange that ends its records by silence answers the probes before a next
// record while it has one, leaves one whole link check unanswered once it has
// none, and answers anything else at once: the host can tell it from a dead one.
TEST(ExchangeModelTest, AnExchangeEndingByTheLinkCheckIsSilentOnlyForThatCheck) {
    sim::TScenario scenario;
    scenario.EmptyEnding = sim::TEmptyEnding::LinkCheck;
    const auto origin = std::chrono::steady_clock::now();
    sim::TExchangeModel model(scenario, origin);
    const sim::TCommand probe{sim::TCommandKind::Probe, {0x00}};
    const sim::TCommand first{sim::TCommandKind::FirstRecord, {0x02}};
    const sim::TCommand next{sim::TCommandKind::NextRecord, {0x03}};
    const sim::TCommand status{sim::TCommandKind::Status, {0x40, 0x03}};
    const sim::TBufferRecord record{sim::TBufferRecord::TKind::Raw, {}, TBytes(11, 1)};
    const TBytes shortReply{1, static_cast<std::uint8_t>(scenario.Key),
                            static_cast<std::uint8_t>(scenario.Key)};
    EXPECT_EQ(model.Answer(first, origin).Bytes, shortReply) << "no check before the first";
    model.AddRecord(0, record);
    model.AddRecord(0, record);

    ASSERT_GT(model.Answer(first, origin).Bytes.size(), 3u);
    EXPECT_EQ(model.Answer(probe, origin).Bytes, TBytes{0x00}) << "one record left";
    ASSERT_GT(model.Answer(next, origin).Bytes.size(), 3u);
    for (int i = 0; i < protocol::LinkCheckProbes; ++i) {
        EXPECT_TRUE(model.Answer(probe, origin).Bytes.empty()) << "probe " << i;
    }
    EXPECT_EQ(model.Answer(probe, origin).Bytes, TBytes{0x00}) << "after one link check";

    model.AddRecord(0, record);
    ASSERT_GT(model.Answer(first, origin).Bytes.size(), 3u);
    EXPECT_TRUE(model.Answer(probe, origin).Bytes.empty());
    EXPECT_EQ(FillOf(model.Answer(status, origin), scenario.Key), 0) << "status answered";
    EXPECT_EQ(model.Answer(probe, origin).Bytes, TBytes{0x00}) << "and the loop is over";
}

// A simulator left running for days keeps its latest records in the log, and
// still counts every one it sent.
TEST(ExchangeModelTest, TheLogOfSentRecordsKeepsTheLatestAndCountsThemAll) {
    sim::TScenario scenario;
    const auto origin = std::chrono::steady_clock::now();
    sim::TExchangeModel model(scenario, origin);
    const sim::TCommand next{sim::TCommandKind::NextRecord, {0x03}};
    const std::uint64_t total = sim::LogLimit + 1000;
    for (std::uint64_t i = 0; i < total; ++i) {
        TBytes payload(11, 0);
        payload[6] = static_cast<std::uint8_t>(i);
        payload[7] = static_cast<std::uint8_t>(i >> 8);
        payload[8] = static_cast<std::uint8_t>(i >> 16);
        model.AddRecord(0, {sim::TBufferRecord::TKind::Raw, {}, std::move(payload)});
        model.Answer(next, origin);
    }
    EXPECT_EQ(model.SentRecordCount(), total);
    const std::vector<sim::TSentRecord>& sent = model.SentRecords();
    EXPECT_LE(sent.size(), sim::LogLimit);
    EXPECT_GT(sent.size(), sim::LogLimit / 2);
    const TBytes& last = sent.back().Payload;
    EXPECT_EQ(last[6] + (last[7] << 8) + (last[8] << 16), static_cast<int>(total - 1));
}

} // namespace
} // namespace tallyvox::simtest
