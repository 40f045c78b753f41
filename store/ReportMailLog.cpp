#include "store/ReportMailLog.h"

namespace tallyvox::store {

std::vector<reportmail::TSendRecord> ReportMailRecords(TPgConnection& connection,
                                                       const std::string& sites) {
    std::vector<reportmail::TSendRecord> records;
    for (const TRow& row : connection.Query(
             "SELECT extract(epoch FROM attempted_at)::bigint, period, department, recipients, "
             "sent, reason FROM tallyvox_report_mail WHERE sites = $1 ORDER BY id",
             {{sites}})) {
        records.push_back({static_cast<std::time_t>(std::stoll(row.at(0))), row.at(1), row.at(2),
                           row.at(3), row.at(4) == "t", row.at(5)});
    }
    return records;
}

void AppendReportMailRecord(TPgConnection& connection, const std::string& sites,
                            const reportmail::TSendRecord& record) {
    connection.Query("INSERT INTO tallyvox_report_mail (sites, attempted_at, period, department, "
                     "recipients, sent, reason) VALUES ($1, to_timestamp($2), $3, $4, $5, $6, $7)",
                     {{sites},
                      {std::to_string(record.Time)},
                      {record.Period},
                      {record.Department},
                      {record.Recipients},
                      {record.Sent ? "true" : "false"},
                      {record.Reason}});
}

} // namespace tallyvox::store
