#pragma once
// Sends the calls of a call-accounting file to the store: everything after the
// delivered mark, in batches, each committed before the mark moves past it.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/CallBatch.h"
#include "store/LineSerials.h"
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
    // A store that sends nothing for this long while a statement waits is taken
    // for dead (a half-open connection, a hung server).
    std::chrono::milliseconds SilenceTimeout{30000};
};

class TForwarder {
public:
    explicit TForwarder(TForwarderSettings settings);
    ~TForwarder();

    // The serial number for the lines whose exchange the coverage journal beside
    // the call file does not tell (a file the window or another program wrote);
    // kept in the mark for later runs.
    void SetSerialNumber(const std::string& serialNumber);

    // Connects when not connected (creating or checking the tables), then sends
    // every whole call line after the mark (lines end in CR LF, LF or CR), each
    // with the serial number of the exchange it came from, and the coverage
    // journal's intervals. A call file that is not the one the mark describes
    // (replaced, truncated, rotated) is sent from its start, after the rest of
    // the one delivered when that is found beside it under another name. No call
    // file yet: nothing to send. The calls sent. Throws EStoreError when the
    // store fails (the next call connects again) or std::system_error when the
    // call file or the mark cannot be read or written. One thread at a time.
    std::size_t SendPending();

    // Ends a connect or statement in progress within a fraction of a second and
    // makes this and every later SendPending end with EStoreError (for a stop);
    // what was not committed stays in the file. Any thread.
    void Cancel();

    // Runs after each commit, before the mark moves (for tests of a crash there).
    std::function<void()> AfterCommit;
    // Told what the user should know of the call file: the rest of a rotated
    // file sent, or left behind; a line set aside by the store.
    std::function<void(const std::string&)> Warn;

private:
    struct TFileInfo {
        std::uint64_t Id = 0;
        std::uint64_t Size = 0;
    };

    void Connect();
    template <typename Work> void OnStore(Work work);
    bool HoldsDelivered(const std::string& fileName, const TFileInfo& file) const;
    std::size_t SendLeftBehind();
    std::size_t SendLines(const std::string& fileName, std::uint64_t journalFileId,
                          std::uint64_t size);
    void TakeLine(std::string_view line, std::uint64_t offset, const TLineSerials& serials,
                  std::size_t& sent);
    void Commit(std::size_t& sent, std::uint64_t deliveredTo);
    void TellSetAside(const TStoredCall& call, const std::string& reason) const;
    void SendCoverage();

    TForwarderSettings Settings;
    TSpoolState State;
    std::string SerialNumber;
    std::string ReadingFile; // the file SendLines reads
    std::uintmax_t JournalSizeSent = 0;
    std::vector<TStoredCall> Batch;
    std::string BatchSerial;
    bool RowsWithoutSerial = false; // the site's, in the store: worth filling
    std::unique_ptr<TPgConnection> Connection;
    std::atomic<bool> Cancelled{false};
};

} // namespace tallyvox::store
