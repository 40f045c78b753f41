#pragma once
// A period of calls, by their start, both ends included; and loading the calls
// of a file that fall in it.

#include <optional>
#include <string>
#include <string_view>

#include "report/Lists.h"

namespace tallyvox::report {

struct TPeriod {
    TDateTime From{1, 1, 1, 0, 0, 0};
    TDateTime To{9999, 12, 31, 23, 59, 59};

    bool Contains(const TDateTime& start) const;
};

// "YYYY-MM-DD", "YYYY-MM-DD hh:mm" or "YYYY-MM-DD hh:mm:ss" (a "T" may stand for
// the blank); nothing for another text or a date or time that does not exist. A
// date alone is its first second, or with endOfDay its last.
std::optional<TDateTime> ParseDateTime(std::string_view text, bool endOfDay = false);

// The text of a date-time as ParseDateTime reads it ("YYYY-MM-DD hh:mm:ss").
std::string DateTimeText(const TDateTime& time);

// The calls of a file whose start is in the period, in file order. The line
// count of the list is the number of those calls: header lines belong to no period.
// Throws as LoadCallFile.
TCallList LoadCallFileInPeriod(const std::string& fileName, const TPeriod& period);

} // namespace tallyvox::report
