#include "callfile/CallFileWriter.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <system_error>

#include "exchange/FilePath.h"

namespace tallyvox::callfile {

namespace {

using TFileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

TFileHandle Open(const std::filesystem::path& path, const char* mode) {
    return TFileHandle(OpenFile(path, mode), &std::fclose);
}

// Binary append, so the bytes are the same on every platform. A file that refuses
// the append but can be read may have been busy a moment ago: one more try.
TFileHandle OpenForAppend(const std::filesystem::path& path) {
    TFileHandle file = Open(path, "ab");
    if (!file && Open(path, "rb")) {
        file = Open(path, "ab");
    }
    if (file) {
        // Unbuffered, so that each fwrite below is a single write to the file.
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
    }
    return file;
}

// What the file lacks to end with a complete line: nothing when it is empty or
// ends with LF (or cannot be read to tell), LF after a lone CR, else CR LF.
std::string MissingLineEnd(const std::filesystem::path& path) {
    const TFileHandle file = Open(path, "rb");
    if (!file || std::fseek(file.get(), -1, SEEK_END) != 0) {
        return {};
    }
    const int last = std::fgetc(file.get());
    if (last == EOF || last == '\n') {
        return {};
    }
    return last == '\r' ? "\n" : "\r\n";
}

// The bytes go out in one write. Should the write fall short (a full disk), the
// part that got through is cut off again, so the file never holds a piece of a
// line that is still waiting to be written whole.
bool WriteWhole(std::FILE* file, const std::filesystem::path& path, const std::string& bytes) {
    std::error_code ignored;
    const std::uintmax_t sizeBefore = std::filesystem::file_size(path, ignored);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) {
        return true;
    }
    if (!ignored) {
        std::filesystem::resize_file(path, sizeBefore, ignored);
    }
    return false;
}

} // namespace

int TCallFileWriter::AppendLine(const std::string& fileName, const std::string& line) {
    Pending.push_back(line);
    return FlushPending(fileName);
}

int TCallFileWriter::WriteHeader(const std::string& fileName, const std::string& dateLine,
                                 const std::string& titleLine) {
    Pending.push_back(dateLine);
    Pending.push_back(titleLine);
    return FlushPending(fileName);
}

// Writes the waiting lines oldest first and keeps whatever did not get written,
// so the file receives every line exactly in the order it was produced.
int TCallFileWriter::FlushPending(const std::string& fileName) {
    if (Pending.empty()) {
        return 1;
    }
    try {
        const std::filesystem::path path = FilePathOfText(fileName);
        const TFileHandle file = OpenForAppend(path);
        if (!file) {
            return -1;
        }
        if (LineEndCheckedFor != fileName) {
            if (!WriteWhole(file.get(), path, MissingLineEnd(path))) {
                return -1;
            }
            LineEndCheckedFor = fileName;
        }
        while (!Pending.empty() && WriteWhole(file.get(), path, Pending.front() + "\r\n")) {
            Pending.pop_front();
        }
        if (!Pending.empty()) {
            LineEndCheckedFor.clear();
        }
    } catch (const std::exception&) {
        // The lines stay queued for the next attempt.
        LineEndCheckedFor.clear();
    }
    return Pending.empty() ? 1 : -1;
}

} // namespace tallyvox::callfile
