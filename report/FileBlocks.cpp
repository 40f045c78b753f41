#include "report/FileBlocks.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "model/FilePath.h"

namespace tallyvox::report {

namespace {

constexpr std::size_t ReadBlockSize = std::size_t{1} << 20;

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using TFile = std::unique_ptr<std::FILE, TFileCloser>;

[[noreturn]] void ThrowFileError(const std::filesystem::path& path) {
    throw std::system_error(errno, std::generic_category(), TextOfFilePath(path));
}

TFile OpenAt(const std::filesystem::path& path, std::uint64_t at) {
    TFile file(OpenFile(path, "rb"));
    if (!file || (at != 0 && !SeekFile(file.get(), at))) {
        ThrowFileError(path);
    }
    return file;
}

} // namespace

std::uint64_t FileSizeOrZero(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

void ReadFileBlocks(const std::filesystem::path& path, std::uint64_t begin, std::uint64_t end,
                    const std::function<void(std::string_view)>& feed) {
    const TFile file = OpenAt(path, begin);
    const auto block = std::make_unique_for_overwrite<char[]>(ReadBlockSize);
    std::uint64_t left = end - begin;
    while (left != 0) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, ReadBlockSize));
        const std::size_t got = std::fread(block.get(), 1, wanted, file.get());
        feed(std::string_view(block.get(), got));
        if (got < wanted) {
            break;
        }
        left -= got;
    }
    if (std::ferror(file.get())) {
        ThrowFileError(path);
    }
}

std::uint64_t NextLineStart(const std::filesystem::path& path, std::uint64_t from,
                            std::uint64_t size) {
    std::uint64_t found = size;
    std::uint64_t at = from;
    ReadFileBlocks(path, from, size, [&](std::string_view bytes) {
        if (found != size) {
            return;
        }
        const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
        if (lf != nullptr) {
            found =
                at + static_cast<std::uint64_t>(static_cast<const char*>(lf) - bytes.data()) + 1;
        }
        at += bytes.size();
    });
    return found;
}

} // namespace tallyvox::report
