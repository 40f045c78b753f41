#include "tests/kit/TempDir.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <string>

namespace tallyvox::testkit {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallyvox-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    Path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::permissions(Path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(Path_, ignored);
}

TCurrentDir::TCurrentDir(const std::filesystem::path& path)
    : Previous(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
}

TCurrentDir::~TCurrentDir() {
    std::error_code ignored;
    std::filesystem::current_path(Previous, ignored);
}

std::string FileContents(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

} // namespace tallyvox::testkit
