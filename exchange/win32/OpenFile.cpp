// Windows names a file by UTF-16; the path holds that name, and the mode (ASCII
// letters only) widens character by character.

#include <cstring>
#include <stdio.h>
#include <string>

#include "exchange/FilePath.h"

namespace tallyvox {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return ::_wfopen(path.c_str(), wideMode.c_str());
}

} // namespace tallyvox
