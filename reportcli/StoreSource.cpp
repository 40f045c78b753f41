#include "reportcli/StoreSource.h"

#include "store/Coverage.h"
#include "store/PgConnection.h"
#include "store/ReportMailLog.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"
#include "text/Format.h"

namespace tallyvox::reportcli {

namespace {

// The store's source with the connection it reads through.
class TConnectedStoreSource final : public report::TCallSource {
public:
    TConnectedStoreSource(const TReportOptions& options, const report::TPeriod& period)
        : Connection(*options.Store), Source(Prepared(Connection), options.Sites, period) {}
    std::size_t PartCount(std::size_t most) const override { return Source.PartCount(most); }
    std::size_t MostCalls(std::size_t part) const override { return Source.MostCalls(part); }
    std::size_t Read(std::size_t part, const report::TCallConsumer& consumer) override {
        return Source.Read(part, consumer);
    }

private:
    static store::TPgConnection& Prepared(store::TPgConnection& connection) {
        store::PrepareSchema(connection);
        return connection;
    }

    store::TPgConnection Connection;
    store::TStoreCallSource Source;
};

// The log of one set of sites' reports, through a connection of its own.
class TStoreSendLog final : public reportmail::TSendLog {
public:
    explicit TStoreSendLog(const TReportOptions& options)
        : Connection(*options.Store), Sites(text::Joined(options.Sites)) {
        store::PrepareSchema(Connection);
    }
    std::vector<reportmail::TSendRecord> Records() override {
        return store::ReportMailRecords(Connection, Sites);
    }
    void Append(const reportmail::TSendRecord& record) override {
        store::AppendReportMailRecord(Connection, Sites, record);
    }
    std::string Place() const override { return "the store's tallyvox_report_mail"; }

private:
    store::TPgConnection Connection;
    std::string Sites;
};

} // namespace

std::unique_ptr<reportmail::TSendLog> StoreSendLog(const TReportOptions& options) {
    return std::make_unique<TStoreSendLog>(options);
}

std::unique_ptr<report::TCallSource> StoreCallSource(const TReportOptions& options,
                                                     const report::TPeriod& period) {
    return std::make_unique<TConnectedStoreSource>(options, period);
}

std::vector<std::pair<std::string, std::vector<report::TCoverageSpan>>>
LoadStoreCoverage(const TReportOptions& options, const std::optional<TCalendarTime>& from) {
    store::TPgConnection connection(*options.Store);
    store::PrepareSchema(connection);
    std::vector<std::pair<std::string, std::vector<report::TCoverageSpan>>> coverage;
    for (const std::string& site :
         options.Sites.empty() ? store::StoreSites(connection) : options.Sites) {
        coverage.emplace_back(site, store::StoredCoverageSpans(connection, site, from));
    }
    return coverage;
}

} // namespace tallyvox::reportcli
