#include "callfile/CallFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <system_error>
#include <utility>

#include "callfile/AppendFile.h"
#include "model/FilePath.h"
#include "text/Cp1251.h"

namespace tallyvox::callfile {

namespace {

// The check's own file goes again, unless a writer has put lines into it since.
void RemoveIfStillEmpty(const std::filesystem::path& path) {
    std::error_code failed;
    if (std::filesystem::file_size(path, failed) == 0 && !failed) {
        std::filesystem::remove(path, failed);
    }
}

// A rescue file is never written over: the first free name of the stamp.
TFileHandle CreateRescueFile(const std::filesystem::path& folder, const std::string& stamp,
                             std::filesystem::path& path) {
    constexpr int NameAttempts = 100;
    for (int n = 1; n <= NameAttempts; ++n) {
        const std::string suffix = n == 1 ? "" : "-" + std::to_string(n);
        path = folder / ("TallyvoxRescue-" + stamp + suffix + ".txt");
        TFileHandle file = OpenHandle(path, "wbx");
        if (file || errno != EEXIST) {
            if (file) {
                std::setvbuf(file.get(), nullptr, _IONBF, 0);
            }
            return file;
        }
    }
    return TFileHandle(nullptr, &std::fclose);
}

bool WriteRescueFile(const std::filesystem::path& folder, const std::string& stamp,
                     const THeldLines& held, std::filesystem::path& path) {
    TFileHandle file = CreateRescueFile(folder, stamp, path);
    if (!file) {
        return false;
    }
    std::string bytes;
    for (const std::string& line : held.Lines) {
        bytes += line + "\r\n";
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                   SyncFileData(file.get());
    written = std::fclose(file.release()) == 0 && written;
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    return written;
}

// The system's reason in the user's words (the system's own text is English).
std::string ReasonOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return text::Utf8ToCp1251("нет прав на запись");
    case ENOENT:
        return text::Utf8ToCp1251("папка не найдена");
    case ENOTDIR:
        return text::Utf8ToCp1251("в пути к файлу есть файл вместо папки");
    case EISDIR:
        return text::Utf8ToCp1251("это папка, а не файл");
    case ENOSPC:
        return text::Utf8ToCp1251("на диске нет места");
    case EROFS:
        return text::Utf8ToCp1251("диск доступен только для чтения");
    case EBUSY:
        return text::Utf8ToCp1251("файл занят другой программой");
    default:
        return text::Utf8ToCp1251("системная ошибка ") + std::to_string(error);
    }
}

std::string CannotOpenReason(int error) {
    return error != 0 ? ReasonOf(error) : text::Utf8ToCp1251("файл не открывается");
}

} // namespace

int TCallFileWriter::AppendLine(const std::string& fileName, const std::string& line) {
    HeldFor(fileName).Lines.push_back(line);
    FlushPending();
    return ResultFor(fileName);
}

int TCallFileWriter::WriteHeader(const std::string& fileName, const std::string& dateLine,
                                 const std::string& titleLine) {
    THeldLines& held = HeldFor(fileName);
    held.Lines.push_back(dateLine);
    held.Lines.push_back(titleLine);
    FlushPending();
    return ResultFor(fileName);
}

int TCallFileWriter::FlushPending() {
    for (THeldLines& held : Pending) {
        FlushFile(held);
    }
    DropEmptyGroups();
    return Pending.empty() ? LinesWritten : LinesHeld;
}

std::size_t TCallFileWriter::PendingCount() const {
    std::size_t count = 0;
    for (const THeldLines& held : Pending) {
        count += held.Lines.size();
    }
    return count;
}

bool TCallFileWriter::StartsNewFile(const std::string& fileName) const {
    if (ResultFor(fileName) == LinesHeld) {
        return false;
    }
    try {
        const std::filesystem::path path = FilePathOfText(fileName);
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error) {
            return size == 0;
        }
        // A folder that is away for a while takes the held lines into the old
        // file when it is back; only a file missing from its folder is new.
        std::error_code ignored;
        return error == std::errc::no_such_file_or_directory &&
               std::filesystem::is_directory(path.parent_path().empty() ? "." : path.parent_path(),
                                             ignored);
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<TRescue> TCallFileWriter::Rescue(const std::filesystem::path& folder,
                                             const std::string& stamp) {
    std::vector<TRescue> rescues;
    for (THeldLines& held : Pending) {
        TRescue rescue{held.FileName, {}, held.Lines.size()};
        std::filesystem::path path;
        if (WriteRescueFile(folder, stamp, held, path)) {
            rescue.RescueFile = path;
            held.Lines.clear();
        }
        rescues.push_back(std::move(rescue));
    }
    DropEmptyGroups();
    return rescues;
}

THeldLines& TCallFileWriter::HeldFor(const std::string& fileName) {
    for (THeldLines& held : Pending) {
        if (held.FileName == fileName) {
            return held;
        }
    }
    return Pending.emplace_back(THeldLines{fileName, {}});
}

void TCallFileWriter::FlushFile(THeldLines& held) {
    try {
        const std::filesystem::path path = FilePathOfText(held.FileName);
        const TFileHandle file = OpenForAppend(path);
        if (!file) {
            return;
        }
        if (LineEndCheckedFor != held.FileName) {
            if (!WriteWhole(file.get(), path, MissingLineEnd(path))) {
                return;
            }
            LineEndCheckedFor = held.FileName;
        }
        std::deque<std::string>& lines = held.Lines;
        while (!lines.empty()) {
            std::error_code unknown;
            const std::uintmax_t offset =
                Observer != nullptr ? std::filesystem::file_size(path, unknown) : 0;
            if (!WriteWhole(file.get(), path, lines.front() + "\r\n")) {
                break;
            }
            // The exchange forgets a record once it has sent it: the line is on
            // stable storage before the next one is asked for. A failed sync is
            // not a failed write; written again, the line would stand twice.
            SyncFileData(file.get());
            const std::string line = std::move(lines.front());
            lines.pop_front();
            if (Observer != nullptr) {
                Observer->LineAppended(held.FileName, line, unknown ? 0 : offset);
            }
        }
        if (!lines.empty()) {
            LineEndCheckedFor.clear();
        }
    } catch (const std::exception&) {
        // The lines stay held for the next attempt.
        LineEndCheckedFor.clear();
    }
}

void TCallFileWriter::DropEmptyGroups() {
    std::erase_if(Pending, [](const THeldLines& held) { return held.Lines.empty(); });
}

int TCallFileWriter::ResultFor(const std::string& fileName) const {
    for (const THeldLines& held : Pending) {
        if (held.FileName == fileName) {
            return LinesHeld;
        }
    }
    return LinesWritten;
}

std::string AppendProblem(const std::string& fileName) {
    try {
        const std::filesystem::path path = FilePathOfText(fileName);
        // Created exclusively, or not at all: a file that another writer creates
        // meanwhile is opened as theirs and never taken for the check's own.
        errno = 0;
        if (OpenHandle(path, "wbx")) {
            RemoveIfStillEmpty(path);
            return {};
        }
        if (errno != EEXIST) {
            return CannotOpenReason(errno);
        }
        errno = 0;
        return OpenHandle(path, "ab") ? std::string() : CannotOpenReason(errno);
    } catch (const std::exception&) {
        return text::Utf8ToCp1251("имя файла не может быть прочитано системой");
    }
}

} // namespace tallyvox::callfile
