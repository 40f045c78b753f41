#include "store/SpoolState.h"

#include <fcntl.h>
#include <unistd.h>

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

} // namespace

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
    return state;
}

void WriteSpoolState(const std::string& fileName, const TSpoolState& state) {
    const std::string temporary = fileName + ".new";
    const std::string text = "delivered=" + std::to_string(state.Delivered) +
                             "\nfile=" + std::to_string(state.FileId) +
                             "\nserial=" + state.SerialNumber + "\n";
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
