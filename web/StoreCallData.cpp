// The web view's calls from the store: a period of one site (or of every site)
// read for each request through one connection, made again after a failure.

#include <chrono>
#include <iostream>
#include <memory>

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
        std::lock_guard lock(Mutex);
        try {
            if (!Connection) {
                Connection = std::make_unique<store::TPgConnection>(
                    Url, store::TConnectionLimits{StoreSilence, nullptr});
                store::PrepareSchema(*Connection);
            }
            std::vector<std::string> sites;
            if (need.Site) {
                sites.push_back(*need.Site);
            }
            auto calls = Priced(store::LoadStoreCalls(*Connection, sites, need.Period));
            Tell("info: the store answers", "");
            return calls;
        } catch (const store::EStoreError& error) {
            Connection.reset(); // a connection that failed may be left unusable
            Tell("error: the store: " + std::string(error.what()), error.what());
            throw ECallsUnavailable(error.what());
        }
    }

    bool HasSites() const override { return true; }

private:
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
