#pragma once
// The traffic totals per subscriber line and per trunk, and their texts.

#include <cstdint>
#include <string>

#include "report/Lists.h"

namespace tallyvox::report {

// One entry per distinct HardwareLine, in the order of the first call of each;
// an entry keeps the ProgramNumber of its line's first call.
TLineList BuildLineList(const TCallList& calls);
// One entry per distinct Trunk (calls without a trunk share the entry with an
// empty Trunk), in the order of the first call of each.
TTrunkList BuildTrunkList(const TCallList& calls);

// Hours, minutes and seconds, each with a "0" in front when one character long,
// joined by ":"; the hours have no upper bound ("100:00:00").
std::string TrafficText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds);
std::string OutTrafficText(const TTraffic_rep& traffic);
std::string InTrafficText(const TTraffic_rep& traffic);
std::string TotalTrafficText(const TTraffic_rep& traffic);

} // namespace tallyvox::report
