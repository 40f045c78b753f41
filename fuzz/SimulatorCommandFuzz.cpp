// Feeds arbitrary host bytes to the simulated exchange: whatever the host sends,
// the exchange answers within the protocol's limits and never faults.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "sim/CommandParser.h"
#include "sim/ExchangeModel.h"
#include "sim/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks a single exchange or a complex of two or three.
    const int exchanges = 1 + data[0] % 3;
    const auto scenario = exchanges == 1 ? tallyvox::sim::SingleExchangeScenario(4, 20)
                                         : tallyvox::sim::ComplexScenario(exchanges, 10);
    const auto start = std::chrono::steady_clock::now();
    tallyvox::sim::TExchangeModel model(scenario, start);
    tallyvox::sim::TCommandParser parser;
    std::vector<tallyvox::sim::TCommand> commands;
    for (std::size_t i = 1; i < size; ++i) {
        parser.Feed(data[i], commands);
    }
    parser.Abandon(commands);
    for (const auto& command : commands) {
        const auto answer = model.Answer(command, start + std::chrono::seconds(1));
        // Without faults, no answer is longer than one framed reply: a length
        // byte, at most 255 payload bytes and a checksum.
        tallyvox::fuzz::Require(answer.Bytes.size() <= 257, "an answer of protocol size");
    }
    return 0;
}
