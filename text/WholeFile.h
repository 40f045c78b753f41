#pragma once
// A settings file that an administrator writes by hand (rules, users), read
// whole before it is judged.

#include <string>

namespace tallyvox {

// The file's bytes; std::system_error naming the file when it cannot be opened
// or read to its end.
std::string ReadWholeFile(const std::string& fileName);

} // namespace tallyvox
