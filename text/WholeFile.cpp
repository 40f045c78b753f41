#include "text/WholeFile.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tallyvox {

std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        throw std::system_error(errno, std::generic_category(), fileName);
    }
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        throw std::system_error(EIO, std::generic_category(), fileName);
    }
    return text;
}

} // namespace tallyvox
