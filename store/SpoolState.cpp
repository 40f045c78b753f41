#include "store/SpoolState.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace tallyvox::store {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

bool ReadNumber(const std::string& line, const std::string& key, std::uint64_t& value) {
    if (line.rfind(key, 0) != 0 || line.size() == key.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = key.size(); i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(line[i] - '0');
    }
    return true;
}

// The mark's optional lines after the first three, by their keys.
void ReadOptionalLines(std::istream& in, TSpoolState& state) {
    for (std::string line; std::getline(in, line);) {
        std::uint64_t value = 0;
        if (ReadNumber(line, "digest=", value)) {
            state.Digest = value;
        } else if (ReadNumber(line, "coverage=", value)) {
            state.CoverageEntries = static_cast<std::size_t>(value);
        }
    }
}

// FNV-1a, 64 bits: enough to tell one call file from another, not meant to
// stand against anyone forging a file.
void Digest(std::string_view bytes, std::uint64_t& hash) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
}

constexpr std::uint64_t DigestedEnd = 4096;

} // namespace

std::uint64_t DeliveredDigest(std::istream& file, std::uint64_t delivered) {
    std::uint64_t hash = 14695981039346656037ULL;
    const std::uint64_t head = std::min(delivered, DigestedEnd);
    const std::uint64_t tail = std::max(head, delivered - std::min(delivered, DigestedEnd));
    std::string bytes;
    for (const auto& [from, to] : {std::pair{std::uint64_t{0}, head}, std::pair{tail, delivered}}) {
        bytes.resize(static_cast<std::size_t>(to - from));
        file.clear();
        if (!file.seekg(static_cast<std::streamoff>(from)) ||
            !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
            throw std::system_error(EIO, std::generic_category(), "reading the delivered part");
        }
        Digest(bytes, hash);
    }
    return hash;
}

bool MarkHolds(const TSpoolState& state, const std::string& fileName, std::uint64_t fileId,
               std::uint64_t size) {
    if (size < state.Delivered) {
        return false;
    }
    if (!state.Digest || state.Delivered == 0) {
        return fileId == state.FileId;
    }
    std::ifstream in(fileName, std::ios::binary);
    return in && DeliveredDigest(in, state.Delivered) == *state.Digest;
}

std::string SpoolStateFileOf(const std::string& callFile) {
    return callFile + ".store";
}

TSpoolState ReadSpoolState(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::string delivered;
    std::string fileId;
    std::string serial;
    TSpoolState state;
    if (!std::getline(in, delivered) || !std::getline(in, fileId) || !std::getline(in, serial) ||
        !ReadNumber(delivered, "delivered=", state.Delivered) ||
        !ReadNumber(fileId, "file=", state.FileId) || serial.rfind("serial=", 0) != 0) {
        return {};
    }
    state.SerialNumber = serial.substr(7);
    ReadOptionalLines(in, state);
    return state;
}

void WriteSpoolState(const std::string& fileName, const TSpoolState& state) {
    const std::string temporary = fileName + ".new";
    const std::string text =
        "delivered=" + std::to_string(state.Delivered) + "\nfile=" + std::to_string(state.FileId) +
        "\nserial=" + state.SerialNumber + "\n" +
        (state.Digest ? "digest=" + std::to_string(*state.Digest) + "\n" : "") +
        "coverage=" + std::to_string(state.CoverageEntries) + "\n";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        ThrowErrno(temporary);
    }
    const bool written =
        ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    if (!written) {
        errno = writeErrno;
        ThrowErrno(temporary);
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        ThrowErrno(fileName);
    }
}

} // namespace tallyvox::store
