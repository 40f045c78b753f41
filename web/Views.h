#pragma once
// The report's line, trunk and destination views of the calls a filter keeps in
// a user's scope, with their totals rows: the same cells the report window, its
// CSV files and its workbook show.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/CostViews.h"
#include "report/DirectoryViews.h"
#include "report/Selection.h"
#include "report/ShownViews.h"
#include "web/CallData.h"

namespace tallyvox::web {

class TScopedViews {
public:
    // The kept calls of calls, priced again by table (their own totals), lines
    // and trunks named by the directory; no dialled number is shown by these
    // views, so none is masked. directory outlives the views.
    TScopedViews(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                 const report::TTariffTable& table, const report::TDirectory& directory);
    const report::TCostView& View(report::TViewKind kind) const { return Shown->View(kind); }
    // The departments' calls, talk time and cost by destination class.
    const report::TReportView& Departments() const { return Groups->Departments(); }

private:
    report::TCallList Calls;
    report::TCallRows Rows;
    report::TLineList Lines;
    report::TTrunkList Trunks;
    report::TCostReport Costs;
    std::unique_ptr<report::TCostViews> Views;
    std::unique_ptr<report::TShownViews> Shown;
    std::unique_ptr<report::TDirectoryViews> Groups;
};

// A view as an HTML table (UTF-8): titles, rows, the totals row.
std::string ViewTable(const report::TCostView& view);

} // namespace tallyvox::web
