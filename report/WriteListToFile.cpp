#include "report/WriteListToFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "model/FilePath.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace fs = std::filesystem;

namespace {

// Attempts at a free name beside the target before giving up.
constexpr int TemporaryNameAttempts = 100;

// Writes lines into an open stream and closes it; WriteOk or WriteFailed.
int WriteAndClose(int& lastErrno, const TExportLines& lines, std::FILE* file) {
    errno = 0;
    const bool written = WriteExport(lines, file) && std::fflush(file) == 0;
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        lastErrno = !written ? writeErrno : errno;
        return WriteFailed;
    }
    return WriteOk;
}

// For targets that cannot be replaced by a rename (devices, pipes, files in a
// folder that admits no new file): truncated and written where they are.
int WriteInPlace(int& lastErrno, const TExportLines& lines, const fs::path& target) {
    std::FILE* file = OpenFile(target, "wb");
    if (file == nullptr) {
        lastErrno = errno;
        return WriteCannotOpen;
    }
    return WriteAndClose(lastErrno, lines, file);
}

// A new file beside the target; nullptr (errno set) when none can be created.
std::FILE* CreateBeside(const fs::path& target, fs::path& created) {
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        created = target;
        created += ".part" + std::to_string(attempt);
        std::FILE* file = CreateNewFile(created);
        if (file != nullptr || errno != EEXIST) {
            return file;
        }
    }
    return nullptr;
}

// The file the name leads to: a symbolic link is followed, so that the export
// replaces the file and not the link.
fs::path Target(const std::string& fileName) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(fileName, error))) {
        fs::path resolved = fs::canonical(fileName, error);
        if (!error) {
            return resolved;
        }
    }
    return fileName;
}

// No new file can be made beside the target: the target itself must be opened
// (without creating it) and closed before it is written in place.
int WriteWithoutRename(int& lastErrno, const TExportLines& lines, const fs::path& target,
                       int createErrno) {
    std::FILE* file = OpenFile(target, "r+b");
    if (file == nullptr) {
        lastErrno = createErrno;
        return WriteCannotOpen;
    }
    errno = 0;
    if (std::fclose(file) != 0 || errno != 0) {
        lastErrno = errno;
        return WriteCannotClose;
    }
    return WriteInPlace(lastErrno, lines, target);
}

int Write(int& lastErrno, const TExportLines& lines, const std::string& fileName) {
    const fs::path target = Target(fileName);
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return WriteInPlace(lastErrno, lines, target);
    }
    fs::path beside;
    std::FILE* file = CreateBeside(target, beside);
    if (file == nullptr) {
        return WriteWithoutRename(lastErrno, lines, target, errno);
    }
    const int result = WriteAndClose(lastErrno, lines, file);
    if (result == WriteOk && fs::exists(status)) {
        fs::permissions(beside, status.permissions(), error);
    }
    if (result == WriteOk) {
        fs::rename(beside, target, error);
        if (!error) {
            return WriteOk;
        }
        lastErrno = error.value();
    }
    fs::remove(beside, error);
    return WriteFailed;
}

std::string Cp1251(const char* utf8) {
    return text::Utf8ToCp1251(utf8);
}

} // namespace

int WriteListToFile(int& lastErrno, const TExportLines& lines, const std::string& fileName) {
    try {
        return Write(lastErrno, lines, fileName);
    } catch (...) {
        lastErrno = errno;
        return WriteFailed;
    }
}

TWriteResult SaveExport(const TExportLines& lines, const std::string& fileName) {
    int lastErrno = 0;
    const int result = WriteListToFile(lastErrno, lines, fileName);
    return result == WriteOk ? WrittenFile(fileName) : FailedWrite(fileName, lastErrno, result);
}

std::string WriteListMessage(int result, int lastErrno) {
    const std::string number = std::to_string(lastErrno);
    switch (result) {
    case WriteFailed:
        return Cp1251("Непонятное исключение. errno = ") + number;
    case WriteCannotOpen:
        return Cp1251("Не создать или не открыть файл. errno = ") + number;
    case WriteCannotClose:
        return Cp1251("Не закрыть файл. errno = ") + number;
    default:
        return {};
    }
}

std::string WriteErrorText() {
    return Cp1251("Ошибка");
}

} // namespace tallyvox::report
