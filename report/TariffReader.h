#pragma once
// Reading a tariff table from the text a person writes in an editor or a
// spreadsheet: ";"-separated, a header row naming the columns, UTF-8 (with or
// without BOM) or Windows-1251, decimals with a point or a comma. A table with
// any fault is refused as a whole, with every faulty row and what is wrong.

#include <cstddef>
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

// A refused table; what() lists every fault, one a line, as "line N: what".
class ETariffError : public std::runtime_error {
public:
    explicit ETariffError(std::vector<TTariffFault> faults);
    const std::vector<TTariffFault>& Faults() const { return Faults_; }

private:
    std::vector<TTariffFault> Faults_;
};

// The table of bytes; fileName names it in the table (UTF-8). Throws ETariffError.
TTariffTable ReadTariffText(std::string_view bytes, const std::string& fileName = {});
// The table of a file. Throws ETariffError, or std::system_error when the file
// cannot be read.
TTariffTable ReadTariffFile(const std::string& fileName);

} // namespace tallyvox::report
