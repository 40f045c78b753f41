#pragma once
// Reading a file in blocks, whole or a range of it, for the call-file readers.
// Files are named by path (the wide name on Windows) and read at 64-bit offsets.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace tallyvox::report {

// Size of the file, or 0 when it cannot be told (a pipe, a missing file).
std::uint64_t FileSizeOrZero(const std::filesystem::path& file);

// Gives the bytes of the file from begin up to end (or its end), block by block.
// Throws std::system_error (errno and the file name) when it cannot be opened or read.
void ReadFileBlocks(const std::filesystem::path& file, std::uint64_t begin, std::uint64_t end,
                    const std::function<void(std::string_view)>& feed);

// The position just after the first LF at or after from; the size when none follows.
std::uint64_t NextLineStart(const std::filesystem::path& file, std::uint64_t from,
                            std::uint64_t size);

} // namespace tallyvox::report
