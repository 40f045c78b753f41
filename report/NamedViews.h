#pragma once
// The priced report's views with the directory's names beside the numbers: the
// calls and the lines gain the person and the department after the line's
// numbers, the trunks their name after the trunk. Without a directory the views
// are the report's own, cell for cell.

#include <map>
#include <memory>
#include <string>

#include "report/CostViews.h"
#include "report/Directory.h"

namespace tallyvox::report {

class TNamedViews {
public:
    // Everything given must outlive the views; rows are those views shows.
    TNamedViews(const TCostViews& views, const TCallRows& rows, const TDirectory& directory);
    ~TNamedViews();

    const TCostView& View(TViewKind kind) const;

private:
    const TCostViews& Views;
    // The last call of each line (hardware number) and trunk: a line's or a
    // trunk's row shows whom it had then.
    std::map<std::string, const TExtStr_rep*, std::less<>> LastOfLine;
    std::map<std::string, const TExtStr_rep*, std::less<>> LastOfTrunk;
    std::unique_ptr<TCostView> Named[3]; // calls, lines, trunks; empty without a directory
};

} // namespace tallyvox::report
