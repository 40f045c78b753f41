#pragma once
// The report's calls from a store, for tallyvox-report --store.

#include <stdexcept>

#include "report/Lists.h"
#include "report/Period.h"
#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {

// The calls of options.Sites in the period from options.Store. Throws
// std::runtime_error saying why they cannot be read (also in a build without
// the store).
report::TCallList LoadStoreCalls(const TReportOptions& options, const report::TPeriod& period);

} // namespace tallyvox::reportcli
