#pragma once
// The coverage page: when the exchange was read into the call file (or into
// each site of the store) within a period, and the gaps between with their
// reasons, so that nobody takes a month's totals for complete when they are not.

#include <string>
#include <vector>

#include "web/CallData.h"
#include "web/CallFilter.h"
#include "web/Html.h"

namespace tallyvox::web {

// The period form, then per site a table of the spans and the count of gaps
// that may have lost calls; or the form's faults.
std::string CoveragePage(const TFrame& frame, const TCallFilter& filter,
                         const std::vector<std::string>& faults,
                         const std::vector<TSiteCoverage>& coverage);

} // namespace tallyvox::web
