#pragma once
// The sorts of the line and trunk totals. Every sort is ascending and stable:
// entries with equal keys keep their order, so sorts applied one after another
// refine each other.

#include "report/Lists.h"

namespace tallyvox::report {

enum class TLineSortKey {
    HardwareLine,  // as an integer
    ProgramNumber, // as an integer, an empty text counting as 0
    OutTraffic,    // OutTotalSeconds
    InTraffic,     // InTotalSeconds
    TotalTraffic,  // TotalSeconds
};

enum class TTrunkSortKey {
    Trunk,        // as text, letters a to z folded to upper case; "10" before "2"
    OutTraffic,   // OutTotalSeconds
    InTraffic,    // InTotalSeconds
    TotalTraffic, // TotalSeconds
};

// The integer keys convert as the file's numbers do (leading blanks, sign, "$" or
// "0x" prefix). Keys that do not convert ("23(", "1B") never stop a sort: they
// follow the converted ones, in the byte order of their text.
void SortLines(TLineList& lines, TLineSortKey key);
void SortTrunks(TTrunkList& trunks, TTrunkSortKey key);

} // namespace tallyvox::report
