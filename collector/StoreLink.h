#pragma once
// The collector's calls forwarded to a PostgreSQL store (--store, --site): every
// line that reaches the call file wakes the forwarder, which sends what is after
// its mark on a thread of its own, so the store never holds up the capture.

#include <chrono>
#include <memory>
#include <string>

#include "callfile/CallFileWriter.h"
#include "collector/Log.h"
#include "exchange/LowLevel.h"

namespace tallyvox::collector {

class TStoreLink : public callfile::TAppendObserver {
public:
    // Sends what the call file holds (waiting at most timeout for the store) and
    // stops; before the program ends.
    virtual void Finish(std::chrono::milliseconds timeout) = 0;
};

// Starts forwarding callFile (the configured call-accounting file) and its
// coverage journal for site, each line with the serial number that the journal
// gives it (lowLevel is not consulted: the journal places lines read before a
// restart as well). Stops (after the batch in progress) when destroyed. Throws
// std::runtime_error in a build without the store.
std::unique_ptr<TStoreLink> StartStoreLink(const std::string& url, const std::string& site,
                                           const std::string& callFile, const TLowLevel& lowLevel,
                                           TLog& log);

} // namespace tallyvox::collector
