#pragma once
// Sends the calls of a call-accounting file to the store: everything after the
// delivered mark, in batches, each committed before the mark moves past it.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "store/CallBatch.h"
#include "store/PgConnection.h"
#include "store/SpoolState.h"

namespace tallyvox::store {

struct TForwarderSettings {
    std::string Url;
    std::string Site;
    std::string CallFile;
    std::string StateFile; // empty: SpoolStateFileOf(CallFile)
    std::size_t BatchRows = 500;
    TInsertMode Mode = TInsertMode::Copy;
};

class TForwarder {
public:
    explicit TForwarder(TForwarderSettings settings);
    ~TForwarder();

    // The exchange whose calls follow (its serial number goes with each row);
    // kept in the mark, so that calls sent again after a restart carry it too.
    void SetSerialNumber(const std::string& serialNumber);

    // Connects when not connected (creating or checking the tables), then sends
    // every whole call line after the mark. A call file that was replaced (another
    // file, or shorter than the mark) is sent from its start. The calls sent.
    // Throws EStoreError when the store fails (the next call connects again) or
    // std::system_error when the call file or the mark cannot be read or written.
    // One thread at a time.
    std::size_t SendPending();

    // Cancels a statement in progress and makes this and every later SendPending
    // end at its next batch with EStoreError (for a stop); any thread.
    void Cancel();

    // Runs after each commit, before the mark moves (for tests of a crash there).
    std::function<void()> AfterCommit;

private:
    void Connect();
    void Commit(std::size_t& sent, std::uint64_t deliveredTo);

    TForwarderSettings Settings;
    TSpoolState State;
    std::string SerialNumber;
    std::vector<TStoredCall> Batch;
    std::unique_ptr<TPgConnection> Connection;
    std::mutex ConnectionMutex; // Cancel reaches the connection from another thread
    std::atomic<bool> Cancelled{false};
};

} // namespace tallyvox::store
