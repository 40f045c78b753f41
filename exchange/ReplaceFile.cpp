#include "exchange/ReplaceFile.h"

#include <cstdio>

#include "model/FilePath.h"

namespace tallyvox {

namespace fs = std::filesystem;

namespace {

// The file the name leads to, links followed.
fs::path Target(const fs::path& path) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error))) {
        fs::path resolved = fs::canonical(path, error);
        if (!error) {
            return resolved;
        }
    }
    return path;
}

bool WriteAll(const fs::path& path, std::string_view bytes) {
    std::FILE* file = OpenFile(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && SyncFileData(file);
    return std::fclose(file) == 0 && written;
}

} // namespace

bool ReplaceFile(const fs::path& path, std::string_view bytes) {
    const fs::path target = Target(path);
    fs::path beside = target;
    beside += ".new";
    std::error_code error;
    const fs::file_status old = fs::status(target, error);
    if (!WriteAll(beside, bytes)) {
        fs::remove(beside, error);
        return false;
    }
    if (fs::exists(old)) {
        fs::permissions(beside, old.permissions(), error);
    }
    fs::rename(beside, target, error);
    if (error) {
        fs::remove(beside, error);
        return false;
    }
    return true;
}

} // namespace tallyvox
