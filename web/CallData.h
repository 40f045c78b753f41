#pragma once
// The calls the web view shows, and the one place it meets the report library's
// loading: a call file read by the report's own reader, or a period of the
// store's calls, priced by the tariff table. Each request takes the calls it
// needs once and keeps them while it answers.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/Costs.h"
#include "report/Coverage.h"
#include "report/Lists.h"
#include "report/Period.h"
#include "report/Session.h"
#include "report/Tariff.h"

namespace tallyvox::web {

// The calls of one read, kept by the report session that read them, each priced
// once as it was read; none without a session.
struct TPricedCalls {
    explicit TPricedCalls(std::unique_ptr<report::TReportSession> session =
                              std::make_unique<report::TReportSession>());
    TPricedCalls(const TPricedCalls&) = delete;
    TPricedCalls& operator=(const TPricedCalls&) = delete;

    const std::unique_ptr<report::TReportSession> Session;
    const report::TCallList& Calls;
    const report::TCostReport& Costs; // Costs.Calls in call order; empty without a table
    const bool Priced;
};

// What a request asks of the calls: its period, and the one site of the store
// its user may see (none: every site).
struct TCallNeed {
    report::TPeriod Period;
    std::optional<std::string> Site;
};

// When one call file, or one site of the store, was captured and when not.
struct TSiteCoverage {
    std::string Site; // empty for a call file
    std::vector<report::TCoverageSpan> Spans;
    bool Kept = true; // false: no coverage journal beside the call file
};

// The calls cannot be had now (the store does not answer); what() says why.
class ECallsUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCallData {
public:
    explicit TCallData(report::TTariffTable table) : Table_(std::move(table)) {}
    virtual ~TCallData() = default;
    TCallData(const TCallData&) = delete;
    TCallData& operator=(const TCallData&) = delete;

    // At least the calls of the need (a call file gives all it holds: callers
    // select). Throws ECallsUnavailable.
    virtual std::shared_ptr<const TPricedCalls> Calls(const TCallNeed& need) = 0;
    // The capture of the need's period, site by site. Throws ECallsUnavailable.
    virtual std::vector<TSiteCoverage> Coverage(const TCallNeed& need) = 0;
    // Ends at once a read that waits on its source, and every later one: the
    // program stops.
    virtual void Abandon() {}
    // Whether the calls come in sites (the store's), which a user's site narrows.
    virtual bool HasSites() const = 0;

    const report::TTariffTable& Table() const { return Table_; }
    // The destination's name of a priced call (Windows-1251), empty otherwise.
    std::string DestinationOf(const report::TCallCost& cost) const;

protected:
    // The calls of the period that source gives, read by a report session with
    // the table. Throws as the source does.
    std::shared_ptr<TPricedCalls> Read(report::TCallSource& source,
                                       const report::TPeriod& period) const;

private:
    const report::TTariffTable Table_;
};

// A call file the collector appends to while the view serves it: read again
// when its size or time changes.
class TCallFileData final : public TCallData {
public:
    TCallFileData(std::string callFile, report::TTariffTable table);

    // The calls as the file now stands; read again first when it changed. A file
    // that cannot be read leaves the calls read before (none at first), said once.
    std::shared_ptr<const TPricedCalls> Calls(const TCallNeed& need) override;
    // From the journal the collector keeps beside the file.
    std::vector<TSiteCoverage> Coverage(const TCallNeed& need) override;
    bool HasSites() const override { return false; }

private:
    struct TStamp {
        std::uintmax_t Size = 0;
        std::int64_t Time = 0;
        bool operator==(const TStamp&) const = default;
    };
    void Reload(const TStamp& stamp);

    const std::string CallFile;
    std::mutex Mutex;
    std::shared_ptr<const TPricedCalls> Calls_;
    TStamp Loaded{static_cast<std::uintmax_t>(-1), -1};
    std::string LastFault; // told once until it changes
};

// The calls of a store (a connection string); the store's calls are read for
// each request. Throws std::runtime_error in a build without the store.
std::unique_ptr<TCallData> StoreCallData(const std::string& url, report::TTariffTable table);

} // namespace tallyvox::web
