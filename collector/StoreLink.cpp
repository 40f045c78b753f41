#include "collector/StoreLink.h"

#include "store/Forwarding.h"

namespace tallyvox::collector {

namespace {

class TStoreForwardingLink final : public TStoreLink {
public:
    TStoreForwardingLink(const std::string& url, const std::string& site,
                         const std::string& callFile, const TLowLevel& lowLevel, TLog& log)
        : LowLevel(lowLevel),
          Forwarding({url, site, callFile, "", 500, store::TInsertMode::Copy},
                     [&log](store::TLogLevel level, const std::string& message) {
                         log.Write(LevelOf(level), message);
                     }) {
        Forwarding.Start();
    }

    // On the capture thread, which is also the one that identifies the exchange.
    void LineAppended(const std::string&, const std::string&, std::uintmax_t) override {
        if (LowLevel.Status.SerialNumber != SerialNumber) {
            SerialNumber = LowLevel.Status.SerialNumber;
            Forwarding.SetSerialNumber(SerialNumber);
        }
        Forwarding.Notify();
    }

    void Finish(std::chrono::milliseconds timeout) override { Forwarding.Finish(timeout); }

private:
    static TLevel LevelOf(store::TLogLevel level) {
        switch (level) {
        case store::TLogLevel::Info:
            return TLevel::Info;
        case store::TLogLevel::Warning:
            return TLevel::Warning;
        case store::TLogLevel::Error:
            return TLevel::Error;
        }
        return TLevel::Error;
    }

    const TLowLevel& LowLevel;
    std::string SerialNumber;
    store::TStoreForwarding Forwarding;
};

} // namespace

std::unique_ptr<TStoreLink> StartStoreLink(const std::string& url, const std::string& site,
                                           const std::string& callFile, const TLowLevel& lowLevel,
                                           TLog& log) {
    return std::make_unique<TStoreForwardingLink>(url, site, callFile, lowLevel, log);
}

} // namespace tallyvox::collector
