// POSIX names a file by its bytes, which the path holds as they are.

#include <sys/types.h>
#include <unistd.h>

#include "model/FilePath.h"

namespace tallyvox {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* CreateNewFile(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "wbx");
}

bool SeekFile(std::FILE* file, std::uint64_t offset) {
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

// The data, not the times: the size is part of what fdatasync writes.
bool SyncFileData(std::FILE* file) {
    return ::fdatasync(::fileno(file)) == 0;
}

} // namespace tallyvox
