#pragma once
// Reading a tariff table from the text a person writes in an editor or a
// spreadsheet: ";"-separated, a header row naming the columns, UTF-8 (with or
// without BOM) or Windows-1251, decimals with a point or a comma. A table with
// any fault is refused as a whole, with its faulty rows and what is wrong (the
// first MaxTariffFaults of them, and how many more there are).

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "report/Tariff.h"

namespace tallyvox::report {

// One fault: the line of the file (1 is the header) and what is wrong (UTF-8).
struct TTariffFault {
    std::size_t Line = 0;
    std::string What;
};

// The faults a refused table names; a table of a million bad rows costs no more.
constexpr std::size_t MaxTariffFaults = 100;

// A refused table; what() lists the faults, one a line, as "line N: what", and
// then "and N more faults" when there were more than it names.
class ETariffError : public std::runtime_error {
public:
    // The faults in line order; more: how many others were found.
    explicit ETariffError(std::vector<TTariffFault> faults, std::size_t more = 0);
    const std::vector<TTariffFault>& Faults() const { return Faults_; }
    std::size_t More() const { return More_; }

private:
    std::vector<TTariffFault> Faults_;
    std::size_t More_;
};

// The table of bytes; fileName names it in the table (UTF-8). Throws ETariffError.
TTariffTable ReadTariffText(std::string_view bytes, const std::string& fileName = {});
// The table of a file (the wide name on Windows). Throws ETariffError, or
// std::system_error when the file cannot be read.
TTariffTable ReadTariffFile(const std::filesystem::path& file);

} // namespace tallyvox::report
