#pragma once
// The log of the report's mail made from the store's calls, kept in the store
// beside them, per set of sites.

#include <string>
#include <vector>

#include "reportmail/SendLog.h"
#include "store/PgConnection.h"

namespace tallyvox::store {

// The records of the reports of sites ("kiev, lviv"; "" for every site), in order.
std::vector<reportmail::TSendRecord> ReportMailRecords(TPgConnection& connection,
                                                       const std::string& sites);
void AppendReportMailRecord(TPgConnection& connection, const std::string& sites,
                            const reportmail::TSendRecord& record);

} // namespace tallyvox::store
