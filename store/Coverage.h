#pragma once
// The capture intervals and gaps of a site in the store, so that a report over
// many sites can tell which of them were not fully captured in a period.

#include <string>
#include <vector>

#include "callfile/CoverageJournal.h"
#include "report/Coverage.h"
#include "store/PgConnection.h"

namespace tallyvox::store {

// One entry of a collector's coverage journal: an interval in which it read the
// exchange, or one in which it did not and why. Times are "YYYY-MM-DD hh:mm:ss"
// in UTC; an interval still open has an empty End.
struct TCoverageInterval {
    std::string Begin;
    std::string End;
    bool Captured = false;
    std::string SerialNumber;
    int Records = 0;
    std::string Reason; // of a gap: line down, exchange silent, file unwritable, stopped
    int Fill = 0;       // of an interval read: the exchange's buffer at its start
    int Capacity = 0;
};

// The intervals that a collector's coverage journal describes, from its entry
// first on, with the interval of the entry before (which entry first ends).
// The journal's local times become UTC.
std::vector<TCoverageInterval>
JournalIntervals(const std::vector<callfile::TCoverageEntry>& entries, std::size_t first);

// Writes the intervals of a site in one transaction. An interval already there
// (same site, begin, kind and reason) takes the new end and count: the journal's
// open interval grows until it ends. Throws EStoreError.
void StoreCoverage(TPgConnection& connection, const std::string& site,
                   const std::vector<TCoverageInterval>& intervals);

// The intervals of a site that overlap the period, oldest first.
std::vector<TCoverageInterval> CoverageOf(TPgConnection& connection, const std::string& site,
                                          const std::string& from, const std::string& to);

// The intervals of a site that end at or after from (none: all), oldest first,
// as the report's spans in local time, pauses marked.
std::vector<report::TCoverageSpan> StoredCoverageSpans(TPgConnection& connection,
                                                       const std::string& site,
                                                       const std::optional<TCalendarTime>& from);

} // namespace tallyvox::store
