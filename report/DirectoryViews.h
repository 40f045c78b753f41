#pragma once
// The department and cost-centre totals as views like the priced report's own
// (CostViews.h): the name, the calls, the talk time, the cost of each destination
// class and the whole cost, the "Нет в справочнике" row last, and a totals row.

#include <memory>

#include "report/CostViews.h"
#include "report/DirectoryTotals.h"

namespace tallyvox::report {

// A view of totals; "Отделы" or "Центры затрат". totals must outlive the view.
std::unique_ptr<TCostView> MakeDirectoryView(const TDirectoryTotals& totals, TDirectoryGroup by);

} // namespace tallyvox::report
