#pragma once
// The append primitives that the program's text files share: the call-accounting
// file and the real-time log are only ever appended to, and neither may keep a
// torn line that the next write would be glued to.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace tallyvox::callfile {

using TFileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The file opened with an fopen mode through OpenFile (any path the system can
// name); empty when it cannot be.
TFileHandle OpenHandle(const std::filesystem::path& path, const char* mode);

// The file opened for a binary, unbuffered append (created when missing); empty
// when it cannot be. A file that refuses the append but can be read may have
// been busy a moment ago: it gets one more try.
TFileHandle OpenForAppend(const std::filesystem::path& path);

// What the file lacks to end with a complete line: nothing when it is empty or
// ends with LF (or cannot be read to tell), LF after a lone CR, else CR LF.
std::string MissingLineEnd(const std::filesystem::path& path);

// Writes bytes to the end of file (opened on path by OpenForAppend) in one write.
// Should the write fall short (a full disk), the part that got through is cut off
// again, so the file never holds a piece of what is still to be written whole;
// false then. When even the cut fails, the file ends in a torn line: a caller
// that writes again first adds MissingLineEnd.
bool WriteWhole(std::FILE* file, const std::filesystem::path& path, const std::string& bytes);

} // namespace tallyvox::callfile
