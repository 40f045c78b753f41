#include "store/Forwarder.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "callfile/CoverageJournal.h"
#include "model/FilePath.h"
#include "report/Coverage.h"
#include "store/Coverage.h"
#include "store/Schema.h"
#include "store/SerialFill.h"

namespace tallyvox::store {

namespace {

constexpr std::size_t ReadBlock = 1 << 20;

[[noreturn]] void ThrowErrno(const std::string& fileName) {
    throw std::system_error(errno, std::generic_category(), fileName);
}

std::ifstream OpenForReading(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        ThrowErrno(fileName);
    }
    return in;
}

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The files beside the call file that may be an earlier one under another name
// (rotation appends to the name); not its mark and journal.
bool MayBeRotated(const std::string& name, const std::string& callFileName) {
    return name != callFileName && name.rfind(callFileName, 0) == 0 && !EndsWith(name, ".store") &&
           !EndsWith(name, ".store.new") && !EndsWith(name, ".coverage");
}

// The coverage journal beside the call file (a file-system path, as given).
std::vector<callfile::TCoverageEntry> JournalOf(const std::string& callFile) {
    return report::LoadCoverageJournal(TextOfFilePath(callfile::CoverageJournalOf(callFile)));
}

} // namespace

TForwarder::TForwarder(TForwarderSettings settings) : Settings(std::move(settings)) {
    if (Settings.StateFile.empty()) {
        Settings.StateFile = SpoolStateFileOf(Settings.CallFile);
    }
    State = ReadSpoolState(Settings.StateFile);
    SerialNumber = State.SerialNumber;
}

TForwarder::~TForwarder() = default;

void TForwarder::SetSerialNumber(const std::string& serialNumber) {
    SerialNumber = serialNumber;
}

void TForwarder::Connect() {
    auto connection = std::make_unique<TPgConnection>(
        Settings.Url, TConnectionLimits{Settings.SilenceTimeout, &Cancelled});
    PrepareSchema(*connection);
    PrepareBatches(*connection);
    RowsWithoutSerial = HasRowsWithoutSerial(*connection, Settings.Site);
    Connection = std::move(connection);
}

void TForwarder::Cancel() {
    Cancelled = true;
}

// A store that failed is connected to afresh on the next pass.
template <typename Work> void TForwarder::OnStore(Work work) {
    try {
        work(*Connection);
    } catch (const EStoreError&) {
        Batch.clear();
        Connection.reset();
        throw;
    }
}

void TForwarder::Commit(std::size_t& sent, std::uint64_t deliveredTo) {
    if (Batch.empty() && deliveredTo == State.Delivered) {
        return;
    }
    if (Cancelled) {
        Batch.clear();
        throw EStoreError("sending stopped");
    }
    if (!Batch.empty()) {
        const std::string serial = StoreText(BatchSerial);
        OnStore([&](TPgConnection& connection) {
            for (const TSetAsideCall& refused :
                 InsertCalls(connection, Settings.Site, serial, Batch, Settings.Mode)) {
                TellSetAside(Batch[refused.Index], refused.Reason);
            }
            if (RowsWithoutSerial) {
                FillMissingSerials(connection, Settings.Site, serial, Batch);
            }
            RowsWithoutSerial = RowsWithoutSerial || BatchSerial.empty();
        });
        sent += Batch.size();
        Batch.clear();
        if (AfterCommit) {
            AfterCommit();
        }
    }
    State.Delivered = deliveredTo;
    std::ifstream delivered = OpenForReading(ReadingFile);
    State.Digest = DeliveredDigest(delivered, deliveredTo);
    State.SerialNumber = SerialNumber;
    WriteSpoolState(Settings.StateFile, State);
}

void TForwarder::TellSetAside(const TStoredCall& call, const std::string& reason) const {
    if (Warn) {
        Warn("a call line of " + ReadingFile + " (start " + call.Start + ", " +
             std::to_string(call.RawLine.size()) +
             " bytes) was not taken by the store as a call (" + reason +
             "); it is kept with its bytes in tallyvox_set_aside");
    }
}

// Whether the file begins with what the mark says was delivered.
bool TForwarder::HoldsDelivered(const std::string& fileName, const TFileInfo& file) const {
    if (file.Size < State.Delivered) {
        return false;
    }
    if (!State.Digest || State.Delivered == 0) {
        return file.Id == State.FileId;
    }
    std::ifstream in(fileName, std::ios::binary);
    return in && DeliveredDigest(in, State.Delivered) == *State.Digest;
}

// The file delivered last is no longer the call file: what it holds past the
// mark is sent when it is found beside it under another name (renamed, or
// copied before a truncation), else the loss is told once.
std::size_t TForwarder::SendLeftBehind() {
    const std::filesystem::path callFile(Settings.CallFile);
    const std::string callFileName = callFile.filename().string();
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(
             callFile.has_parent_path() ? callFile.parent_path() : ".", error)) {
        struct stat info {};
        const std::string path = item.path().string();
        if (!MayBeRotated(item.path().filename().string(), callFileName) ||
            ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        const TFileInfo file{static_cast<std::uint64_t>(info.st_ino),
                             static_cast<std::uint64_t>(info.st_size)};
        if (!HoldsDelivered(path, file)) {
            continue;
        }
        const std::size_t sent = SendLines(path, State.FileId, file.Size);
        if (sent > 0 && Warn) {
            Warn(std::to_string(sent) + " calls at the end of the previous call file, now " + path +
                 ", had not been sent; they are sent now");
        }
        return sent;
    }
    if (Warn) {
        Warn("the call file " + Settings.CallFile + " is not the one delivered up to byte " +
             std::to_string(State.Delivered) +
             ", and that one is not beside it under another name: whatever it held past that "
             "byte did not reach the store; send it with tallyvox-forward --once OLDFILE");
    }
    return 0;
}

void TForwarder::TakeLine(std::string_view line, std::uint64_t offset, const TLineSerials& serials,
                          std::size_t& sent) {
    std::optional<TStoredCall> call = StoredCallOf(line);
    if (!call) {
        return;
    }
    const std::string& journalSerial = serials.At(offset);
    const std::string& serial = journalSerial.empty() ? SerialNumber : journalSerial;
    if (!Batch.empty() && serial != BatchSerial) {
        Commit(sent, offset); // one serial number a batch
    }
    BatchSerial = serial;
    Batch.push_back(std::move(*call));
}

// Sends the whole lines of the file from the mark to size; the mark follows.
std::size_t TForwarder::SendLines(const std::string& fileName, std::uint64_t journalFileId,
                                  std::uint64_t size) {
    std::ifstream in = OpenForReading(fileName);
    if (!in.seekg(static_cast<std::streamoff>(State.Delivered))) {
        ThrowErrno(fileName);
    }
    ReadingFile = fileName;
    const TLineSerials serials(JournalOf(Settings.CallFile), journalFileId, size);
    std::size_t sent = 0;
    std::uint64_t offset = State.Delivered; // the start of pending
    std::string pending;                    // bytes read after the last whole line
    std::string block(ReadBlock, '\0');
    for (std::uint64_t left = size - State.Delivered; left > 0;) {
        in.read(block.data(),
                static_cast<std::streamsize>(std::min<std::uint64_t>(left, ReadBlock)));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) {
            break;
        }
        left -= got;
        pending.append(block, 0, got);
        std::size_t begin = 0;
        // Batch holds views into pending: each batch is committed before pending
        // drops the lines it holds.
        for (std::size_t end; (end = pending.find_first_of("\r\n", begin)) != std::string::npos;) {
            std::size_t next = end + 1;
            if (pending[end] == '\r') {
                if (next == pending.size() && left > 0) {
                    break; // its LF may be in the next block
                }
                next += next < pending.size() && pending[next] == '\n' ? 1 : 0;
            }
            TakeLine(std::string_view(pending).substr(begin, end - begin), offset + begin, serials,
                     sent);
            begin = next;
            if (Batch.size() >= Settings.BatchRows) {
                Commit(sent, offset + begin);
            }
        }
        Commit(sent, offset + begin);
        pending.erase(0, begin);
        offset += begin;
    }
    return sent;
}

// The coverage journal's intervals, from the last one the store has (it may
// have ended since) on, when the journal grew.
void TForwarder::SendCoverage() {
    const std::string journal = callfile::CoverageJournalOf(Settings.CallFile);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(journal, error);
    if (error || size == JournalSizeSent) {
        return;
    }
    const std::vector<callfile::TCoverageEntry> entries = JournalOf(Settings.CallFile);
    if (entries.size() < State.CoverageEntries) {
        State.CoverageEntries = 0; // a new journal
    }
    if (entries.size() > State.CoverageEntries) {
        OnStore([&](TPgConnection& connection) {
            StoreCoverage(connection, Settings.Site,
                          JournalIntervals(entries, State.CoverageEntries));
        });
        State.CoverageEntries = entries.size();
        WriteSpoolState(Settings.StateFile, State);
    }
    JournalSizeSent = size;
}

std::size_t TForwarder::SendPending() {
    if (Cancelled) {
        throw EStoreError("sending stopped");
    }
    if (!Connection) {
        Connect();
    }
    std::optional<TFileInfo> file;
    if (struct stat info{}; ::stat(Settings.CallFile.c_str(), &info) == 0) {
        file = {static_cast<std::uint64_t>(info.st_ino), static_cast<std::uint64_t>(info.st_size)};
    } else if (errno != ENOENT) {
        ThrowErrno(Settings.CallFile);
    }
    std::size_t sent = 0;
    if (State.FileId != 0 && !(file && HoldsDelivered(Settings.CallFile, *file))) {
        sent += SendLeftBehind();
        State = {0, 0, State.SerialNumber, std::nullopt, State.CoverageEntries};
        WriteSpoolState(Settings.StateFile, State);
    }
    if (file) {
        State.FileId = file->Id;
        sent += SendLines(Settings.CallFile, file->Id, file->Size);
    }
    SendCoverage();
    return sent;
}

} // namespace tallyvox::store
