#pragma once
// Masking a dialled number for viewers who may not see it whole: its last digits
// shown as "X". Only what is shown and exported is masked; the call file stays
// the office's record.

#include <string>
#include <string_view>

#include <memory>

#include "report/CostViews.h"
#include "report/Lists.h"
#include "report/Selection.h"

namespace tallyvox::report {

// number with its last count digits as 'X' (other characters kept and not
// counted); a number of count digits or fewer is all 'X'.
std::string MaskDigits(std::string_view number, unsigned count);
// view with the text of each of its phone cells masked so; view must outlive it.
std::unique_ptr<TReportView> MaskedView(const TReportView& view, unsigned count);
// The calls of rows, in their order, each dialled number masked so.
TCallList MaskedCalls(const TCallRows& rows, unsigned count);

} // namespace tallyvox::report
