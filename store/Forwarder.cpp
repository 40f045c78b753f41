#include "store/Forwarder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "store/Schema.h"

namespace tallyvox::store {

namespace {

constexpr std::size_t ReadBlock = 1 << 20;

struct TFileInfo {
    std::uint64_t Id = 0;
    std::uint64_t Size = 0;
};

TFileInfo FileInfo(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        throw std::system_error(errno, std::generic_category(), fileName);
    }
    return {static_cast<std::uint64_t>(info.st_ino), static_cast<std::uint64_t>(info.st_size)};
}

// The line without its line end (CR LF, LF).
std::string_view WithoutLineEnd(std::string_view line) {
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
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
    auto connection = std::make_unique<TPgConnection>(Settings.Url);
    PrepareSchema(*connection);
    PrepareBatches(*connection);
    std::lock_guard lock(ConnectionMutex);
    Connection = std::move(connection);
}

void TForwarder::Cancel() {
    Cancelled = true;
    std::lock_guard lock(ConnectionMutex);
    if (Connection) {
        Connection->Cancel();
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
        try {
            InsertCalls(*Connection, Settings.Site, SerialNumber, Batch, Settings.Mode);
        } catch (const EStoreError&) {
            Batch.clear();
            std::lock_guard lock(ConnectionMutex);
            Connection.reset();
            throw;
        }
        sent += Batch.size();
        Batch.clear();
        if (AfterCommit) {
            AfterCommit();
        }
    }
    State.Delivered = deliveredTo;
    State.SerialNumber = SerialNumber;
    WriteSpoolState(Settings.StateFile, State);
}

std::size_t TForwarder::SendPending() {
    if (Cancelled) {
        throw EStoreError("sending stopped");
    }
    if (!Connection) {
        Connect();
    }
    const TFileInfo file = FileInfo(Settings.CallFile);
    if (file.Id != State.FileId || file.Size < State.Delivered) {
        State = {0, file.Id, SerialNumber};
    }
    std::ifstream in(Settings.CallFile, std::ios::binary);
    if (!in || !in.seekg(static_cast<std::streamoff>(State.Delivered))) {
        throw std::system_error(errno, std::generic_category(), Settings.CallFile);
    }
    std::size_t sent = 0;
    std::uint64_t offset = State.Delivered; // the start of pending
    std::string pending;                    // bytes read after the last whole line
    std::string block(ReadBlock, '\0');
    for (std::uint64_t left = file.Size - State.Delivered; left > 0;) {
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
        for (std::size_t lf; (lf = pending.find('\n', begin)) != std::string::npos;
             begin = lf + 1) {
            const std::string_view line(pending.data() + begin, lf + 1 - begin);
            if (std::optional<TStoredCall> call = StoredCallOf(WithoutLineEnd(line))) {
                Batch.push_back(std::move(*call));
            }
            if (Batch.size() >= Settings.BatchRows) {
                Commit(sent, offset + lf + 1);
            }
        }
        Commit(sent, offset + begin);
        pending.erase(0, begin);
        offset += begin;
    }
    return sent;
}

} // namespace tallyvox::store
