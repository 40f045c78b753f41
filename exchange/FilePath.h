#pragma once
// File names are Windows-1251 texts in the core (as the configuration file holds
// them); the file system wants its own encoding (UTF-8 on POSIX, UTF-16 on Windows).
// Every file the core opens by a text name goes through these two conversions.

#include <filesystem>
#include <string>
#include <string_view>

namespace tallyvox {

// The file-system path named by a Windows-1251 text.
std::filesystem::path FilePathOfText(std::string_view cp1251);

// The Windows-1251 text of a path; characters outside the code page become '?'.
std::string TextOfFilePath(const std::filesystem::path& path);

} // namespace tallyvox
