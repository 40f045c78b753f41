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

// Adds one call to the totals, as BuildLineList and BuildTrunkList do for each
// call in turn; for totals of calls that are not kept in a list.
void AddToLineList(TLineList& lines, const TExtStr_rep& call);
void AddToTrunkList(TTrunkList& trunks, const TExtStr_rep& call);

// Hours, minutes and seconds, each with a "0" in front when one character long,
// joined by ":"; the hours have no upper bound ("100:00:00").
std::string TrafficText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds);
std::string OutTrafficText(const TTraffic_rep& traffic);
std::string InTrafficText(const TTraffic_rep& traffic);
std::string TotalTrafficText(const TTraffic_rep& traffic);

} // namespace tallyvox::report
