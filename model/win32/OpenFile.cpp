// Windows names a file by UTF-16; the path holds that name, and the mode (ASCII
// letters only) widens character by character.

#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string>
#include <sys/stat.h>

#include "model/FilePath.h"

namespace tallyvox {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return ::_wfopen(path.c_str(), wideMode.c_str());
}

// The C runtime's fopen knows no exclusive mode ("x"); its open does.
std::FILE* CreateNewFile(const std::filesystem::path& path) {
    const int fd =
        ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        ::_close(fd);
    }
    return file;
}

bool SeekFile(std::FILE* file, std::uint64_t offset) {
    return ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool SyncFileData(std::FILE* file) {
    return ::_commit(::_fileno(file)) == 0;
}

} // namespace tallyvox
