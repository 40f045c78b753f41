#pragma once
// The report's calls from a store, for tallyvox-report --store.

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "report/CallSource.h"
#include "report/Coverage.h"
#include "report/Lists.h"
#include "report/Period.h"
#include "reportcli/CommandLine.h"
#include "reportmail/SendLog.h"

namespace tallyvox::reportcli {

// The calls of options.Sites in the period from options.Store, as a report's
// source. Throws std::runtime_error saying why they cannot be read (also in a
// build without the store), here or when they are read.
std::unique_ptr<report::TCallSource> StoreCallSource(const TReportOptions& options,
                                                     const report::TPeriod& period);

// The capture coverage of options.Sites (none: every site with calls) in the
// store, site by site, from the time from on (later spans tell whether a gap
// lost calls). Throws std::runtime_error as StoreCallSource.
std::vector<std::pair<std::string, std::vector<report::TCoverageSpan>>>
LoadStoreCoverage(const TReportOptions& options, const std::optional<TCalendarTime>& from);

// The log of the report's mail of options.Sites, kept in the store. Throws
// std::runtime_error as StoreCallSource.
std::unique_ptr<reportmail::TSendLog> StoreSendLog(const TReportOptions& options);

} // namespace tallyvox::reportcli
