#pragma once
// The dashboard's figures for a scope: today and this month in calls, talk time
// and cost, and this month's dearest lines and destinations (the longest
// talkers when the calls are not priced).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/Money.h"
#include "report/Types.h"
#include "web/CallData.h"
#include "web/Scope.h"

namespace tallyvox::web {

struct TFigures {
    std::uint64_t Calls = 0;
    std::uint64_t Seconds = 0;
    report::TCents Cost = 0;
};

struct TRanked {
    std::string Name; // Windows-1251: a hardware line with its program number, or a destination
    TFigures Figures;
};

struct TDashboard {
    TFigures Today;
    TFigures Month;
    std::vector<TRanked> Lines;        // the dearest first, at most Ranked
    std::vector<TRanked> Destinations; // priced calls only
    bool Priced = false;
    std::optional<std::size_t> AlertsToday; // with an alert journal
    static constexpr std::size_t Ranked = 10;
};

// The machine's local time now: the dashboard's today and this month.
report::TDateTime LocalNow();

// The lines are named by the directory's person of their first call this month.
TDashboard DashboardOf(const TPricedCalls& calls, const TScope& scope, const TCallData& data,
                       const report::TDirectory& directory, const report::TDateTime& now);

} // namespace tallyvox::web
