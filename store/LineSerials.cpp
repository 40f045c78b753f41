#include "store/LineSerials.h"

#include <algorithm>

namespace tallyvox::store {

// From the newest reading entry back: each entry of this file that lies before
// the one after it owns the lines from its offset to where the next one begins.
// An entry that does not fit so (another file, or an offset past where the next
// begins: the file was truncated or replaced since) was the exchange being read
// when the present content began, and owns all before. An entry of an older
// version, without an offset, places nothing before it.
TLineSerials::TLineSerials(const std::vector<callfile::TCoverageEntry>& entries,
                           std::uint64_t fileId, std::uint64_t fileSize) {
    std::uint64_t end = fileSize;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->Event != callfile::TCoverageEvent::Reading) {
            continue;
        }
        if (!entry->CallFileOffset) {
            break;
        }
        const bool fits = *entry->CallFileOffset <= end &&
                          (entry->CallFileId == fileId ||
                           (entry->CallFileId == 0 && *entry->CallFileOffset == 0));
        const std::uint64_t begin = fits ? *entry->CallFileOffset : 0;
        Starts.emplace_back(begin, entry->Serial);
        end = begin;
        if (!fits || begin == 0) {
            break;
        }
    }
    std::reverse(Starts.begin(), Starts.end());
}

const std::string& TLineSerials::At(std::uint64_t offset) const {
    static const std::string None;
    const auto after = std::upper_bound(
        Starts.begin(), Starts.end(), offset,
        [](std::uint64_t value, const auto& start) { return value < start.first; });
    return after == Starts.begin() ? None : std::prev(after)->second;
}

} // namespace tallyvox::store
