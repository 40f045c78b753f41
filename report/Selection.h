#pragma once
// The rows of the call grid: every call, or the calls a selection keeps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/Lists.h"

namespace tallyvox::report {

// What the selection panel asks for.
struct TSelection {
    std::string Subscriber;      // blanks are ignored; empty: every subscriber
    bool ByHardwareLine = false; // compare Subscriber with HardwareLine, else ProgramNumber
    std::string Prefix;          // the dialled number must begin with it; empty: any
};

// The rows below the title row. A selection that matched no call leaves one row
// of empty cells (Call gives nullptr for it); a list without calls shown whole
// has no rows.
class TCallRows {
public:
    // Every call of calls, in list order; calls must outlive the rows.
    explicit TCallRows(const TCallList& calls);

    std::size_t Count() const;
    // The call of a row (0 is the first row under the title), nullptr for the
    // empty row.
    const TExtStr_rep* Call(std::size_t row) const;
    const TCallList& Calls() const { return *Calls_; }

private:
    friend TCallRows SelectCalls(const TCallList& calls, const TSelection& selection);
    const TCallList* Calls_;
    bool All = true;
    std::vector<std::uint32_t> Selected; // positions in Calls_, when not All
};

// The calls whose key equals the subscriber exactly (when one is given) and
// whose dialled number begins with the prefix (when one is given), in list order.
TCallRows SelectCalls(const TCallList& calls, const TSelection& selection);

} // namespace tallyvox::report
