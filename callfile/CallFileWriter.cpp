#include "callfile/CallFileWriter.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "exchange/FilePath.h"

namespace tallyvox::callfile {

namespace {

using TFileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

TFileHandle Open(const std::filesystem::path& path, const char* mode) {
    return TFileHandle(std::fopen(path.string().c_str(), mode), &std::fclose);
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

// The line and its CR LF go out in one write: a process killed while appending
// leaves the line either whole in the file or not there at all.
bool WriteWholeLine(std::FILE* file, const std::string& line) {
    const std::string block = line + "\r\n";
    return std::fwrite(block.data(), 1, block.size(), file) == block.size();
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
    try {
        const TFileHandle file = OpenForAppend(FilePathOfText(fileName));
        while (file && !Pending.empty() && WriteWholeLine(file.get(), Pending.front())) {
            Pending.pop_front();
        }
    } catch (const std::exception&) {
        // The lines stay queued for the next attempt.
    }
    return Pending.empty() ? 1 : -1;
}

} // namespace tallyvox::callfile
