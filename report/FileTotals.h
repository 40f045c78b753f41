#pragma once
// The line and trunk totals of a call-accounting file without keeping its calls:
// for a script that wants the monthly figures of a large file quickly.

#include <cstddef>
#include <string>

#include "report/Lists.h"

namespace tallyvox::report {

struct TFileTotals {
    std::size_t LineCount = 0; // as TCallList::LineCount
    TLineList Lines;
    TTrunkList Trunks;
};

// The same lists as BuildLineList and BuildTrunkList on LoadCallFile, entry for
// entry and in the same order. A large file is read in parts on up to threads
// threads, whose totals are then joined in file order. Throws as LoadCallFile.
TFileTotals ReadFileTotals(const std::string& fileName, unsigned threads = 2);

} // namespace tallyvox::report
