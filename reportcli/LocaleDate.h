#pragma once
// The date pattern and names of the user's locale, read through Qt Core.

#include <optional>
#include <string>

#include "report/DateFormat.h"

namespace tallyvox::reportcli {

// The date format of pattern (UTF-8), or of the locale's short date format when
// none is given; month and day names are the locale's.
report::TDateFormat LocaleDateFormat(const std::optional<std::string>& pattern);

} // namespace tallyvox::reportcli
