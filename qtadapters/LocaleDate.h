#pragma once
// The date pattern and names of a locale, read through Qt Core: the one adapter
// that both the report program and the report window use.

#include <QLocale>
#include <optional>
#include <string>

#include "report/DateFormat.h"

namespace tallyvox::reportcli {

// The date format of pattern (UTF-8), or of the locale's short date format when
// none is given; month and day names are the locale's.
report::TDateFormat LocaleDateFormat(const QLocale& locale,
                                     const std::optional<std::string>& pattern = std::nullopt);

} // namespace tallyvox::reportcli
