// Reads arbitrary bytes as an identification reply: the model, version, serial
// number and clock must come out of any reply without a fault, and a known model
// must name one, two or three exchanges.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "model/Identification.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tallyvox::TIdentificationReply reply{};
    std::copy_n(data, std::min(size, reply.size()), reply.begin());
    const auto identification = tallyvox::InterpretIdentification(reply);
    if (identification) {
        const int count = identification->Model.ExchangeCount;
        tallyvox::fuzz::Require(count >= 1 && count <= 3, "one to three exchanges");
        tallyvox::fuzz::Require(identification->TimeUnit > 0, "a time unit of at least a second");
        tallyvox::fuzz::Require(identification->ExchangeClock.Month >= 1 &&
                                    identification->ExchangeClock.Month <= 12,
                                "a month of the calendar");
    }
    return 0;
}
