#include "reportcli/StoreSource.h"

namespace tallyvox::reportcli {

report::TCallList LoadStoreCalls(const TReportOptions&, const report::TPeriod&) {
    throw std::runtime_error("this build has no PostgreSQL store (libpq was not found)");
}

} // namespace tallyvox::reportcli
