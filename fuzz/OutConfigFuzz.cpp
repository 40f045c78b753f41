// Reads arbitrary bytes as the hand-edited output configuration file, then checks
// that what the program would write back reads the same.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "settings/OutConfig.h"

namespace {

// Values that hold a line end or a key cannot survive a rewrite unchanged.
bool RoundTrips(const std::string& value) {
    for (const std::string_view part : {"\r", "\n", "TARIF_FNAME=", "REALTIME_FNAME=", "AUTO="}) {
        if (value.find(part) != std::string::npos) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tallyvox::TOutConfig config;
    tallyvox::ApplyOutConfig(text, config);
    if (RoundTrips(config.TariffFileName) && RoundTrips(config.RealTimeFileName)) {
        tallyvox::TOutConfig reread{"", "", tallyvox::AutoStartDefault};
        tallyvox::ApplyOutConfig(tallyvox::FormatOutConfig(config), reread);
        const int expectedAutoStart = config.AutoStart == tallyvox::AutoStartDefault
                                          ? tallyvox::AutoStartNone
                                          : config.AutoStart;
        tallyvox::fuzz::Require(reread.TariffFileName == config.TariffFileName &&
                                    reread.RealTimeFileName == config.RealTimeFileName &&
                                    reread.AutoStart == expectedAutoStart,
                                "a rewritten output configuration reads back the same");
    }
    return 0;
}
