#include "store/Coverage.h"

namespace tallyvox::store {

void StoreCoverage(TPgConnection& connection, const std::string& site,
                   const std::vector<TCoverageInterval>& intervals) {
    connection.Transaction([&] {
        for (const TCoverageInterval& interval : intervals) {
            connection.Query(
                "INSERT INTO tallyvox_coverage (site, begins_at, ends_at, captured, "
                "serial_number, records, reason) VALUES ($1, ($2::text || '+00')::timestamptz, "
                "(NULLIF($3::text, '') || '+00')::timestamptz, $4, $5, $6, $7) "
                "ON CONFLICT (site, begins_at, captured) DO UPDATE SET ends_at = "
                "excluded.ends_at, records = excluded.records, reason = excluded.reason",
                {{site},
                 {interval.Begin},
                 {interval.End},
                 {interval.Captured ? "t" : "f"},
                 {interval.SerialNumber},
                 {std::to_string(interval.Records)},
                 {interval.Reason}});
        }
    });
}

std::vector<TCoverageInterval> CoverageOf(TPgConnection& connection, const std::string& site,
                                          const std::string& from, const std::string& to) {
    std::vector<TCoverageInterval> intervals;
    for (const TRow& row : connection.Query(
             "SELECT to_char(begins_at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), "
             "coalesce(to_char(ends_at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), ''), "
             "captured, serial_number, records, reason FROM tallyvox_coverage WHERE site = $1 "
             "AND begins_at <= ($3::text || '+00')::timestamptz "
             "AND (ends_at IS NULL OR ends_at >= ($2::text || '+00')::timestamptz) "
             "ORDER BY begins_at, captured",
             {{site}, {from}, {to}})) {
        intervals.push_back({row[0], row[1], row[2] == "t", row[3], std::stoi(row[4]), row[5]});
    }
    return intervals;
}

} // namespace tallyvox::store
