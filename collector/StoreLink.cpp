#include "collector/StoreLink.h"

#include "model/FilePath.h"
#include "store/Forwarding.h"

namespace tallyvox::collector {

namespace {

class TStoreForwardingLink final : public TStoreLink {
public:
    TStoreForwardingLink(const std::string& url, const std::string& site,
                         const std::string& callFile, TLog& log)
        // The forwarder takes file-system paths; the call file's name is a text.
        : Forwarding(
              {url, site, FilePathOfText(callFile).string(), "", 500, store::TInsertMode::Copy},
              [&log](store::TLogLevel level, const std::string& message) {
                  log.Write(LevelOf(level), message);
              }) {
        Forwarding.Start();
    }

    // Each line's exchange is told by the coverage journal, which the collector
    // writes at every identification, so the forwarder needs no serial number
    // from here: a line sent late still goes with the exchange it came from.
    void LineAppended(const std::string&, const std::string&, std::uintmax_t) override {
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

    store::TStoreForwarding Forwarding;
};

} // namespace

std::unique_ptr<TStoreLink> StartStoreLink(const std::string& url, const std::string& site,
                                           const std::string& callFile, const TLowLevel&,
                                           TLog& log) {
    return std::make_unique<TStoreForwardingLink>(url, site, callFile, log);
}

} // namespace tallyvox::collector
