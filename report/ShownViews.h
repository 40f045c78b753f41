#pragma once
// The report's views as this viewer is to see them: with a directory, the calls
// and the lines gain the person and the department after the line's numbers and
// the trunks their name after the trunk; with masking, every dialled number
// shows its last digits as X. Without either the views are the report's own,
// cell for cell.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/CostViews.h"
#include "report/Directory.h"

namespace tallyvox::report {

class TShownViews {
public:
    // Everything given must outlive the views; rows are those views shows;
    // maskDigits 0 masks nothing.
    TShownViews(const TCostViews& views, const TCallRows& rows, const TDirectory& directory,
                unsigned maskDigits = 0);
    ~TShownViews();

    const TReportView& View(TViewKind kind) const;
    std::size_t Count() const { return Views.Count(); }

private:
    const TCostViews& Views;
    // The last call of each line (hardware number) and trunk: a line's or a
    // trunk's row shows whom it had then.
    std::map<std::string, const TExtStr_rep*, std::less<>> LastOfLine;
    std::map<std::string, const TExtStr_rep*, std::less<>> LastOfTrunk;
    std::vector<std::unique_ptr<TReportView>> Named;  // by kind; empty: the view as it is
    std::vector<std::unique_ptr<TReportView>> Masked; // likewise
};

} // namespace tallyvox::report
