#pragma once
// The line and trunk totals as plain text tables for a terminal (UTF-8).

#include <string>

#include "report/Lists.h"

namespace tallyvox::reportcli {

std::string TotalsTables(std::size_t lineCount, const report::TLineList& lines,
                         const report::TTrunkList& trunks);

} // namespace tallyvox::reportcli
