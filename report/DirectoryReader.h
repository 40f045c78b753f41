#pragma once
// Reading the office directory from the text a person writes in an editor or a
// spreadsheet, by the rules of every such table (SemicolonTable.h): the header
// names the columns "line" (hardware number) or "number" (program number) or
// "trunk", "name", "department", "cost_centre", "email", "valid_from" and
// "valid_to". A directory with any fault is refused whole, its faulty lines listed.

#include <filesystem>
#include <string>
#include <string_view>

#include "report/Directory.h"
#include "report/SemicolonTable.h"

namespace tallyvox::report {

// The directory of bytes; fileName names it (UTF-8). Throws ETableError.
TDirectory ReadDirectoryText(std::string_view bytes, const std::string& fileName = {});
// The directory of a file (the wide name on Windows). Throws ETableError, or
// std::system_error when the file cannot be read.
TDirectory ReadDirectoryFile(const std::filesystem::path& file);

} // namespace tallyvox::report
