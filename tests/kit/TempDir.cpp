#include "tests/kit/TempDir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace tallyvox::testkit {
namespace {

// A folder of a name not taken yet: creating a folder that is already there
// fails, so two tests never share one.
std::filesystem::path MakeFreshFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 draw(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            base / ("tallyvox-" + std::to_string(draw() % 1000000000));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            return candidate;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

} // namespace

TTempDir::TTempDir() : Path_(MakeFreshFolder()) {}

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
