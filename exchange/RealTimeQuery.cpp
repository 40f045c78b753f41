// The exchange's live connections, as text lines for the real-time window.

#include <array>
#include <vector>

#include "exchange/LowLevel.h"
#include "model/Protocol.h"

namespace tallyvox {

int TLowLevel::QueryRealTime() {
    try {
        Port->PurgeInput();
        if (ProbeWithRetries() != ProbeAnswered) {
            return RealTimeNoLink;
        }
    } catch (const ECommError&) {
        return RealTimePortFailed;
    }
    std::array<std::uint8_t, 255> reply{};
    int length = 0;
    const std::uint8_t payload = protocol::RealTimePayload;
    const int result = Transact(reply.data(), length, protocol::RealTime, true, SendWithPayload,
                                &payload, 1, protocol::RealTimePrefix);
    // A failed command, or one that no reply followed, tells nothing about the
    // connections: the lines shown stay as they are.
    if (result != TransactDone || length < 0) {
        return RealTimeAnswered;
    }
    const std::vector<std::string> lines =
        ParseRealTimePayload(reply.data(), static_cast<std::size_t>(length), Status.ModelName);
    RealTimeLineCount = static_cast<int>(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        RealTimeLines[i] = lines[i];
    }
    return RealTimeAnswered;
}

} // namespace tallyvox
