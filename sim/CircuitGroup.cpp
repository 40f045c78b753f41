#include "sim/CircuitGroup.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tallyvox::sim {

TCircuitGroup::TCircuitGroup(std::vector<std::uint8_t> codes)
    : Codes(std::move(codes)), FreeSince(Codes.size(), std::numeric_limits<std::int64_t>::min()) {}

std::vector<std::size_t> TCircuitGroup::FreeAt(std::int64_t second) const {
    std::vector<std::size_t> free;
    for (std::size_t circuit = 0; circuit < FreeSince.size(); ++circuit) {
        if (FreeSince[circuit] <= second) {
            free.push_back(circuit);
        }
    }
    return free;
}

std::size_t TCircuitGroup::FirstFreed() const {
    return static_cast<std::size_t>(std::min_element(FreeSince.begin(), FreeSince.end()) -
                                    FreeSince.begin());
}

std::int64_t TCircuitGroup::EarliestFree() const {
    return FreeSince[FirstFreed()];
}

void TCircuitGroup::Seize(std::size_t circuit, std::int64_t callEnd) {
    FreeSince[circuit] = std::max(FreeSince[circuit], callEnd + ReleaseSeconds);
}

void TCircuitGroup::ReleaseAll() {
    std::fill(FreeSince.begin(), FreeSince.end(), std::numeric_limits<std::int64_t>::min());
}

} // namespace tallyvox::sim
