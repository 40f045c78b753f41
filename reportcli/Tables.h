#pragma once
// The line and trunk totals as plain text tables for a terminal (UTF-8).

#include <string>

#include <vector>

#include "report/CostViews.h"
#include "report/DirectoryViews.h"
#include "report/Lists.h"
#include "report/ShownViews.h"

namespace tallyvox::reportcli {

std::string TotalsTables(std::size_t lineCount, const report::TLineList& lines,
                         const report::TTrunkList& trunks);

// The heading lines, then the priced line, trunk and destination totals, each
// with its totals row.
std::string CostTables(std::size_t lineCount, const report::TShownViews& views,
                       const std::vector<std::string>& heading);

// The department and cost-centre views, each with its totals row, then the
// lines the directory does not place.
std::string DirectoryTables(const report::TDirectoryViews& views);

} // namespace tallyvox::reportcli
