// The exchange's live connections, as text lines for the real-time window.

#include <array>
#include <vector>

#include "exchange/LowLevel.h"
#include "exchange/Protocol.h"

namespace tallyvox {

int TLowLevel::QueryRealTime() {
    try {
        Port->PurgeInput();
        if (ProbeWithRetries() != 1) {
            return -1;
        }
    } catch (const ECommError&) {
        return -2;
    }
    std::array<std::uint8_t, 255> reply{};
    int length = 0;
    const std::uint8_t payload = protocol::RealTimePayload;
    const int result = Transact(reply.data(), length, protocol::RealTime, true, SendWithPayload,
                                &payload, 1, protocol::RealTimePrefix);
    // A failed command, or one that no reply followed, tells nothing about the
    // connections: the lines shown stay as they are.
    if (result != 1 || length < 0) {
        return 1;
    }
    const std::vector<std::string> lines =
        ParseRealTimePayload(reply.data(), static_cast<std::size_t>(length), Status.ModelName);
    RealTimeLineCount = static_cast<int>(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        RealTimeLines[i] = lines[i];
    }
    return 1;
}

} // namespace tallyvox
