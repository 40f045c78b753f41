#include "reportcli/StoreSource.h"

namespace tallyvox::reportcli {

std::unique_ptr<report::TCallSource> StoreCallSource(const TReportOptions&,
                                                     const report::TPeriod&) {
    throw std::runtime_error("this build has no PostgreSQL store (libpq was not found)");
}

std::vector<std::pair<std::string, std::vector<report::TCoverageSpan>>>
LoadStoreCoverage(const TReportOptions&, const std::optional<TCalendarTime>&) {
    throw std::runtime_error("this build has no PostgreSQL store (libpq was not found)");
}

std::unique_ptr<reportmail::TSendLog> StoreSendLog(const TReportOptions&) {
    throw std::runtime_error("this build has no PostgreSQL store (libpq was not found)");
}

} // namespace tallyvox::reportcli
