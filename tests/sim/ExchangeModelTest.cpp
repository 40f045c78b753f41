// The exchange's side of the protocol without a line, for what would take too
// long to drive through one.

#include <gtest/gtest.h>

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
}

} // namespace
} // namespace tallyvox::simtest
