#include "callfile/AppendFile.h"

#include <cstdint>
#include <system_error>

#include "model/FilePath.h"

namespace tallyvox::callfile {

TFileHandle OpenHandle(const std::filesystem::path& path, const char* mode) {
    return TFileHandle(OpenFile(path, mode), &std::fclose);
}

TFileHandle OpenForAppend(const std::filesystem::path& path) {
    TFileHandle file = OpenHandle(path, "ab");
    if (!file && OpenHandle(path, "rb")) {
        file = OpenHandle(path, "ab");
    }
    if (file) {
        // Unbuffered, so that each fwrite is a single write to the file.
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
    }
    return file;
}

std::string MissingLineEnd(const std::filesystem::path& path) {
    const TFileHandle file = OpenHandle(path, "rb");
    if (!file || std::fseek(file.get(), -1, SEEK_END) != 0) {
        return {};
    }
    const int last = std::fgetc(file.get());
    if (last == EOF || last == '\n') {
        return {};
    }
    return last == '\r' ? "\n" : "\r\n";
}

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

} // namespace tallyvox::callfile
