#pragma once
// The views page's pictures: the talk time of the shown calls per hour of the
// day and per day, drawn as SVG from the report's own figures (the window's
// hour and day charts count the same way).

#include <cstdint>
#include <string>
#include <vector>

#include "report/Period.h"
#include "web/CallData.h"

namespace tallyvox::web {

// Two bar charts (HTML with inline SVG): outgoing and incoming talk time of the
// calls kept, per hour of the day and per day of the period; each bar tells its
// calls and talk time when pointed at.
std::string TrafficCharts(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                          const report::TPeriod& period);

} // namespace tallyvox::web
