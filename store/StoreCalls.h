#pragma once
// The report's calls from the store: the same call list a call file gives, so
// every total, sort, selection and export works on it unchanged.

#include <string>
#include <vector>

#include "report/CallSource.h"
#include "report/Lists.h"
#include "report/Period.h"
#include "store/PgConnection.h"

namespace tallyvox::store {

// The sites that have calls in the store, by name.
std::vector<std::string> StoreSites(TPgConnection& connection);

// The calls of the sites (none: every site) in the period, as a report's source:
// read in one part, the line count is the number of calls. The connection must
// outlive the source. Read throws EStoreError.
class TStoreCallSource final : public report::TCallSource {
public:
    TStoreCallSource(TPgConnection& connection, std::vector<std::string> sites,
                     report::TPeriod period);
    std::size_t PartCount(std::size_t) const override { return 1; }
    std::size_t MostCalls(std::size_t) const override { return 0; }
    std::size_t Read(std::size_t part, const report::TCallConsumer& consumer) override;

private:
    TPgConnection& Connection;
    std::vector<std::string> Sites;
    report::TPeriod Period;
};

// The calls of the sites (none: every site) whose start is in the period: site by
// site in the order given (every site: by name), each site's calls in the order
// they were captured. Each row's line is read by the call file's own reader, so a
// site's calls are those its file gives for the period, field for field. With
// more than one site, the line and trunk texts begin with the site's name and
// ":" ("kiev:201"), so the totals keep each site's lines and trunks apart. The
// line count is the number of calls. Throws EStoreError.
report::TCallList LoadStoreCalls(TPgConnection& connection, std::vector<std::string> sites,
                                 const report::TPeriod& period);

} // namespace tallyvox::store
