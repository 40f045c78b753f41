#include "reportcli/StoreSource.h"

#include "store/Coverage.h"
#include "store/PgConnection.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"

namespace tallyvox::reportcli {

report::TCallList LoadStoreCalls(const TReportOptions& options, const report::TPeriod& period) {
    store::TPgConnection connection(*options.Store);
    store::PrepareSchema(connection);
    return store::LoadStoreCalls(connection, options.Sites, period);
}

std::vector<std::pair<std::string, std::vector<report::TCoverageSpan>>>
LoadStoreCoverage(const TReportOptions& options, const std::optional<TCalendarTime>& from) {
    store::TPgConnection connection(*options.Store);
    store::PrepareSchema(connection);
    std::vector<std::pair<std::string, std::vector<report::TCoverageSpan>>> coverage;
    for (const std::string& site :
         options.Sites.empty() ? store::StoreSites(connection) : options.Sites) {
        coverage.emplace_back(site, store::StoredCoverageSpans(connection, site, from));
    }
    return coverage;
}

} // namespace tallyvox::reportcli
