#pragma once
// The department and cost-centre totals as views like the priced report's own
// (CostViews.h): the name, the calls, the talk time, the cost of each destination
// class and the whole cost, the "Нет в справочнике" row last, and a totals row.

#include <memory>

#include "report/CostViews.h"
#include "report/DirectoryTotals.h"

namespace tallyvox::report {

// The department ("Отделы") and cost-centre ("Центры затрат") views of a list of
// calls. Everything given must outlive the views.
class TDirectoryViews {
public:
    // costs: PriceCalls of calls, or nullptr without a tariff table.
    TDirectoryViews(const TCallList& calls, const TCostReport* costs, const TTariffTable& table,
                    const TDirectory& directory);

    const TCostView& Departments() const { return *Departments_; }
    const TCostView& CostCentres() const { return *CostCentres_; }
    // The lines with calls the directory does not place (Windows-1251), in byte order.
    const std::vector<std::string>& UnassignedLines() const { return ByDepartment.UnassignedLines; }

private:
    TDirectoryTotals ByDepartment;
    TDirectoryTotals ByCostCentre;
    std::unique_ptr<TCostView> Departments_;
    std::unique_ptr<TCostView> CostCentres_;
};

} // namespace tallyvox::report
