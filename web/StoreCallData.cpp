// The web view's calls from the store: a period of one site (or of every site)
// read for each request through one connection, made again after a failure.

#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <type_traits>

#include "store/Coverage.h"
#include "store/PgConnection.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"
#include "web/CallData.h"

namespace tallyvox::web {

namespace {

// A page waits no longer than this for a store that has stopped answering.
constexpr std::chrono::milliseconds StoreSilence{15000};

class TStoreCallData final : public TCallData {
public:
    TStoreCallData(std::string url, report::TTariffTable table)
        : TCallData(std::move(table)), Url(std::move(url)) {}

    std::shared_ptr<const TPricedCalls> Calls(const TCallNeed& need) override {
        return Ask([&](store::TPgConnection& connection) {
            store::TStoreCallSource source(connection, SitesOf(need), need.Period);
            return Read(source, need.Period);
        });
    }

    std::vector<TSiteCoverage> Coverage(const TCallNeed& need) override {
        return Ask([&](store::TPgConnection& connection) {
            std::vector<TSiteCoverage> coverage;
            const auto from = report::CalendarBound(need.Period.From);
            for (const std::string& site :
                 need.Site ? SitesOf(need) : store::StoreSites(connection)) {
                coverage.push_back(
                    {site, report::SpansWithin(store::StoredCoverageSpans(connection, site, from),
                                               from, report::CalendarBound(need.Period.To))});
            }
            return coverage;
        });
    }

    void Abandon() override { Abandoned = true; }
    bool HasSites() const override { return true; }

private:
    static std::vector<std::string> SitesOf(const TCallNeed& need) {
        return need.Site ? std::vector<std::string>{*need.Site} : std::vector<std::string>{};
    }

    // What ask reads through the connection (made first when there is none);
    // ECallsUnavailable when the store does not answer.
    template <class TAsk>
    std::invoke_result_t<const TAsk&, store::TPgConnection&> Ask(const TAsk& ask) {
        std::lock_guard lock(Mutex);
        try {
            if (!Connection) {
                Connection = std::make_unique<store::TPgConnection>(
                    Url, store::TConnectionLimits{StoreSilence, &Abandoned});
                store::PrepareSchema(*Connection);
            }
            auto answer = ask(*Connection);
            Tell("info: the store answers", "");
            return answer;
        } catch (const store::EStoreError& error) {
            Connection.reset(); // a connection that failed may be left unusable
            Tell("error: the store: " + std::string(error.what()), error.what());
            throw ECallsUnavailable(error.what());
        }
    }

    // One log line per change of state: the first answer, each new fault, and
    // the answer after a fault.
    void Tell(const std::string& line, const std::string& fault) {
        if (Told && fault == LastFault) {
            return;
        }
        std::cerr << line << "\n";
        Told = true;
        LastFault = fault;
    }

    const std::string Url;
    std::atomic<bool> Abandoned{false};
    std::mutex Mutex;
    std::unique_ptr<store::TPgConnection> Connection;
    bool Told = false;
    std::string LastFault;
};

} // namespace

std::unique_ptr<TCallData> StoreCallData(const std::string& url, report::TTariffTable table) {
    return std::make_unique<TStoreCallData>(url, std::move(table));
}

} // namespace tallyvox::web
