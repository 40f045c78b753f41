#pragma once
// Reading a tariff table from the text a person writes in an editor or a
// spreadsheet: ";"-separated, a header row naming the columns, UTF-8 (with or
// without BOM) or Windows-1251, decimals with a point or a comma. A table with
// any fault is refused as a whole, with its faulty rows and what is wrong (the
// first MaxTariffFaults of them, and how many more there are).

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "report/SemicolonTable.h"
#include "report/Tariff.h"

namespace tallyvox::report {

// A refused table names its faulty lines as every table a person writes does.
using TTariffFault = TTableFault;
using ETariffError = ETableError;
constexpr std::size_t MaxTariffFaults = MaxTableFaults;

// The table of bytes; fileName names it in the table (UTF-8). Throws ETariffError.
TTariffTable ReadTariffText(std::string_view bytes, const std::string& fileName = {});
// The table of a file (the wide name on Windows). Throws ETariffError, or
// std::system_error when the file cannot be read.
TTariffTable ReadTariffFile(const std::filesystem::path& file);

} // namespace tallyvox::report
