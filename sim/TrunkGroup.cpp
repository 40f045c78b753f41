#include "sim/TrunkGroup.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tallyvox::sim {

TTrunkGroup::TTrunkGroup(std::vector<std::uint8_t> codes)
    : Codes(std::move(codes)), FreeSince(Codes.size(), std::numeric_limits<std::int64_t>::min()) {}

std::vector<std::size_t> TTrunkGroup::FreeAt(std::int64_t second) const {
    std::vector<std::size_t> free;
    for (std::size_t trunk = 0; trunk < FreeSince.size(); ++trunk) {
        if (FreeSince[trunk] <= second) {
            free.push_back(trunk);
        }
    }
    return free;
}

std::size_t TTrunkGroup::FirstFreed() const {
    return static_cast<std::size_t>(std::min_element(FreeSince.begin(), FreeSince.end()) -
                                    FreeSince.begin());
}

std::int64_t TTrunkGroup::EarliestFree() const {
    return FreeSince[FirstFreed()];
}

void TTrunkGroup::Seize(std::size_t trunk, std::int64_t callEnd) {
    FreeSince[trunk] = std::max(FreeSince[trunk], callEnd + ReleaseSeconds);
}

void TTrunkGroup::ReleaseAll() {
    std::fill(FreeSince.begin(), FreeSince.end(), std::numeric_limits<std::int64_t>::min());
}

} // namespace tallyvox::sim
