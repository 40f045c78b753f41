#include "store/Coverage.h"

#include <cstdio>
#include <ctime>

#include "store/StoredCall.h"
#include "text/Cp1251.h"

namespace tallyvox::store {

namespace {

std::string UtcText(const TCalendarTime& local) {
    std::tm time{};
    time.tm_year = local.Year - 1900;
    time.tm_mon = local.Month - 1;
    time.tm_mday = local.Day;
    time.tm_hour = local.Hour;
    time.tm_min = local.Minute;
    time.tm_sec = local.Second;
    time.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

// "YYYY-MM-DD hh:mm:ss" in UTC as the local time.
TCalendarTime LocalTime(const std::string& utc) {
    std::tm time{};
    std::sscanf(utc.c_str(), "%d-%d-%d %d:%d:%d", &time.tm_year, &time.tm_mon, &time.tm_mday,
                &time.tm_hour, &time.tm_min, &time.tm_sec);
    time.tm_year -= 1900;
    time.tm_mon -= 1;
    const std::time_t seconds = timegm(&time);
    std::tm local{};
    localtime_r(&seconds, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace

std::vector<TCoverageInterval>
JournalIntervals(const std::vector<callfile::TCoverageEntry>& entries, std::size_t first) {
    const std::vector<report::TCoverageSpan> spans = report::CoverageSpans(entries);
    std::vector<TCoverageInterval> intervals;
    for (std::size_t i = first == 0 ? 0 : first - 1; i < spans.size(); ++i) {
        const report::TCoverageSpan& span = spans[i];
        intervals.push_back({UtcText(span.From), span.To ? UtcText(*span.To) : std::string(),
                             span.Reading, StoreText(span.Serial), static_cast<int>(span.Records),
                             StoreText(span.Reason), span.Fill, span.Capacity});
    }
    return intervals;
}

void StoreCoverage(TPgConnection& connection, const std::string& site,
                   const std::vector<TCoverageInterval>& intervals) {
    connection.Transaction([&] {
        for (const TCoverageInterval& interval : intervals) {
            connection.Query(
                "INSERT INTO tallyvox_coverage (site, begins_at, ends_at, captured, "
                "serial_number, records, reason, buffer_fill, buffer_capacity) VALUES ($1, "
                "($2::text || '+00')::timestamptz, (NULLIF($3::text, '') || '+00')::timestamptz, "
                "$4, $5, $6, $7, $8, $9) "
                "ON CONFLICT (site, begins_at, captured, reason) DO UPDATE SET ends_at = "
                "excluded.ends_at, records = excluded.records",
                {{site},
                 {interval.Begin},
                 {interval.End},
                 {interval.Captured ? "t" : "f"},
                 {interval.SerialNumber},
                 {std::to_string(interval.Records)},
                 {interval.Reason},
                 {std::to_string(interval.Fill)},
                 {std::to_string(interval.Capacity)}});
        }
    });
}

std::vector<TCoverageInterval> CoverageOf(TPgConnection& connection, const std::string& site,
                                          const std::string& from, const std::string& to) {
    std::vector<TCoverageInterval> intervals;
    for (const TRow& row : connection.Query(
             "SELECT to_char(begins_at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), "
             "coalesce(to_char(ends_at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), ''), "
             "captured, serial_number, records, reason, buffer_fill, buffer_capacity "
             "FROM tallyvox_coverage WHERE site = $1 "
             "AND begins_at <= ($3::text || '+00')::timestamptz "
             "AND (ends_at IS NULL OR ends_at >= ($2::text || '+00')::timestamptz) "
             "ORDER BY begins_at, ends_at NULLS LAST, captured",
             {{site}, {from}, {to}})) {
        intervals.push_back({row[0], row[1], row[2] == "t", row[3], std::stoi(row[4]), row[5],
                             std::stoi(row[6]), std::stoi(row[7])});
    }
    return intervals;
}

std::vector<report::TCoverageSpan> StoredCoverageSpans(TPgConnection& connection,
                                                       const std::string& site,
                                                       const std::optional<TCalendarTime>& from) {
    std::vector<report::TCoverageSpan> spans;
    for (const TCoverageInterval& interval :
         CoverageOf(connection, site, from ? UtcText(*from) : "0001-01-01 00:00:00",
                    "9999-12-31 23:59:59")) {
        report::TCoverageSpan span;
        span.From = LocalTime(interval.Begin);
        if (!interval.End.empty()) {
            span.To = LocalTime(interval.End);
        }
        span.Reading = interval.Captured;
        span.Serial = text::Utf8ToCp1251(interval.SerialNumber);
        span.Records = interval.Records;
        span.Reason = text::Utf8ToCp1251(interval.Reason);
        span.Fill = interval.Fill;
        span.Capacity = interval.Capacity;
        spans.push_back(std::move(span));
    }
    report::MarkPauses(spans);
    return spans;
}

} // namespace tallyvox::store
