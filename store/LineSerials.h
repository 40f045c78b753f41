#pragma once
// The serial number of the exchange that gave each line of a call file, from the
// coverage journal beside it: each reading entry says where in which file that
// exchange's lines begin, so a line sent late (the store was down, the mark was
// lost) still goes with the exchange that was read when it was written.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "callfile/CoverageJournal.h"

namespace tallyvox::store {

class TLineSerials {
public:
    TLineSerials() = default;
    // entries: the journal as appended; fileId and fileSize: the call file's
    // identity and size now.
    TLineSerials(const std::vector<callfile::TCoverageEntry>& entries, std::uint64_t fileId,
                 std::uint64_t fileSize);

    // The serial of the line that begins at offset; "" when the journal does not
    // tell (no journal, or the line is older than it).
    const std::string& At(std::uint64_t offset) const;

private:
    std::vector<std::pair<std::uint64_t, std::string>> Starts; // by offset, ascending
};

} // namespace tallyvox::store
