#include "reportcli/StoreSource.h"

#include "store/PgConnection.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"

namespace tallyvox::reportcli {

report::TCallList LoadStoreCalls(const TReportOptions& options, const report::TPeriod& period) {
    store::TPgConnection connection(*options.Store);
    store::PrepareSchema(connection);
    return store::LoadStoreCalls(connection, options.Sites, period);
}

} // namespace tallyvox::reportcli
