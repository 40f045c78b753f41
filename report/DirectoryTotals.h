#pragma once
// The calls of a list by the directory: per department or per cost centre, the
// calls, talk time and cost split by destination class, and the lines whose calls
// the directory does not place ("Нет в справочнике"), so new extensions get noticed.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "report/Costs.h"
#include "report/Directory.h"
#include "report/Lists.h"
#include "report/Tariff.h"

namespace tallyvox::report {

// The caption of the calls no directory row places (UTF-8).
constexpr const char* UnassignedCaption = "Нет в справочнике";

enum class TDirectoryGroup { Department, CostCentre };

// The calls, talk time and cost of one department or cost centre.
struct TGroupTotals {
    std::string Key; // Windows-1251; the unassigned row: UnassignedCaption in Windows-1251
    std::uint32_t Calls = 0;
    std::uint64_t TalkSeconds = 0;
    std::array<TCents, DestinationClassCount> CostByClass{}; // by TDestinationClass
    TCents Cost = 0;
    bool Unassigned = false;
};

struct TDirectoryTotals {
    std::vector<TGroupTotals> Groups; // in byte order of key; the unassigned row last, if any
    // Hardware numbers (blanks dropped) of the lines with calls the directory does
    // not place, each once, in byte order.
    std::vector<std::string> UnassignedLines;
};

// Totals of calls by directory; costs: PriceCalls of the same list, or nullptr
// without a tariff table (every cost is then 0).
TDirectoryTotals GroupCalls(const TCallList& calls, const TCostReport* costs,
                            const TTariffTable& table, const TDirectory& directory,
                            TDirectoryGroup by);

} // namespace tallyvox::report
