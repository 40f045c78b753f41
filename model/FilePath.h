#pragma once
// File names are Windows-1251 texts in the core (as the configuration file holds
// them); the file system wants its own encoding (UTF-8 on POSIX, UTF-16 on Windows).
// Every file the core opens by a text name goes through these two conversions,
// and every file it opens as a C stream goes through OpenFile.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tallyvox {

// The file-system path named by a Windows-1251 text.
std::filesystem::path FilePathOfText(std::string_view cp1251);

// The Windows-1251 text of a path; characters outside the code page become '?'.
std::string TextOfFilePath(const std::filesystem::path& path);

// fopen with the platform's own name of the file: the wide name on Windows, where
// a narrow name reaches only the files that the ANSI code page can spell. The
// mode is fopen's; nullptr when the file cannot be opened.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// A new file for binary writing, made only when nothing of that name is there:
// nullptr with errno EEXIST when something is, or another errno.
std::FILE* CreateNewFile(const std::filesystem::path& path);

// Moves to a byte offset from the start, past 2 GB too (the C runtime's fseek
// takes a long, which is 32 bits on Windows): false when the file cannot seek.
bool SeekFile(std::FILE* file, std::uint64_t offset);

// Waits until what was written to the (unbuffered) file is on stable storage,
// as far as the system can tell: false when it reports that it is not.
bool SyncFileData(std::FILE* file);

} // namespace tallyvox
