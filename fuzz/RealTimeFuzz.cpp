// Parses any byte pattern as a real-time state reply: the first byte chooses the
// exchange, the rest is the reply payload (at most 255 bytes arrive on the line,
// but the parse must hold for any length).

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "model/RealTime.h"

using tallyvox::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::uint8_t* payload = data + 1;
    const std::size_t length = size - 1;
    const auto lines =
        tallyvox::ParseRealTimePayload(payload, length, tallyvox::fuzz::ModelFromByte(data[0]));
    Require(lines.size() <= static_cast<std::size_t>(tallyvox::RealTimeMaxLines),
            "no more lines than the list holds");
    Require(length == 0 || !lines.empty(), "a reply gives at least one line");
    Require(lines.size() <= length, "each line takes at least one byte");
    return 0;
}
