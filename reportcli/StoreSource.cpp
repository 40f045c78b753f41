#include "reportcli/StoreSource.h"

#include "store/PgConnection.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"

namespace tallyvox::reportcli {

report::TCallList LoadStoreCalls(const TReportOptions& options) {
    store::TPgConnection connection(*options.Store);
    store::PrepareSchema(connection);
    return store::LoadStoreCalls(connection, options.Sites,
                                 options.Period.value_or(report::TPeriod{}));
}

} // namespace tallyvox::reportcli
