#pragma once
// The pieces every table a person writes for the report shares (the tariff table,
// the office directory): ";"-separated records, a header row naming the columns,
// UTF-8 (with or without BOM) or Windows-1251, and a refusal of the whole table
// that lists its faulty lines (the first MaxTableFaults of them, and how many more).

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tallyvox::report {

// One fault: the line of the file (1 is the header) and what is wrong (UTF-8).
struct TTableFault {
    std::size_t Line = 0;
    std::string What;
};

// The faults a refused table names; a table of a million bad rows costs no more.
constexpr std::size_t MaxTableFaults = 100;

// A refused table; what() lists the faults, one a line, as "line N: what", and
// then "and N more faults" when there were more than it names.
class ETableError : public std::runtime_error {
public:
    // The faults in line order; more: how many others were found.
    explicit ETableError(std::vector<TTableFault> faults, std::size_t more = 0);
    const std::vector<TTableFault>& Faults() const { return Faults_; }
    std::size_t More() const { return More_; }

private:
    std::vector<TTableFault> Faults_;
    std::size_t More_;
};

// The faults of a table as they are found, in line order: the first
// MaxTableFaults of them, and how many more.
class TFaultList {
public:
    void Add(std::size_t line, std::string what);
    bool Empty() const { return Kept.empty(); }
    // ETableError of the faults, when there are any.
    void ThrowAny();

private:
    std::vector<TTableFault> Kept;
    std::size_t More = 0;
};

using TTableFields = std::vector<std::string>;
// One record of fields and the line of the file it began on.
using TTableRecord = std::pair<std::size_t, TTableFields>;
// Column name (lower case) to its field's index.
using TTableColumns = std::map<std::string, std::size_t>;

// The header of a table.
struct TTableHeader {
    TTableColumns Columns;
    std::size_t Line = 1;
};
// Reads one row: its line and fields, by the header's columns.
using TReadTableRow = std::function<void(std::size_t line, const TTableFields& fields)>;

// Reads the bytes as a table of the known columns, the required ones among
// them: the header first, then each row in line order by readRow, header given.
// The faults of the header and the rows with more fields than it has columns go
// to faults (those rows are not read). ETableError when there is no header row.
void ReadTable(std::string_view bytes, const std::vector<std::string_view>& known,
               const std::vector<std::string_view>& required, TFaultList& faults,
               const std::function<TReadTableRow(const TTableHeader&)>& reader);

// The text as Windows-1251: valid UTF-8 is taken as UTF-8 (its BOM dropped).
std::string AsCp1251(std::string_view bytes);
// Splits the text into records of fields: ";" between fields, a field in double
// quotes may hold ";", line ends and "" for a quote. A row of empty cells, as
// spreadsheets write, is no record.
std::vector<TTableRecord> TableRecords(std::string_view text);
// The columns the header names, each a known one and once; every fault (an
// unknown column, one given twice, a required one missing) goes to faults.
TTableColumns HeaderColumns(const TTableFields& header, std::size_t line,
                            const std::vector<std::string_view>& known,
                            const std::vector<std::string_view>& required, TFaultList& faults);
// A field of a record by column name, blanks around it dropped; empty when the
// header has no such column or the record is shorter.
std::string TableField(const TTableColumns& columns, const TTableFields& fields,
                       std::string_view column);

std::string TrimBlanks(const std::string& text);
bool AllDigits(std::string_view text);

// The bytes of a whole file (the wide name on Windows); std::system_error when it
// cannot be read.
std::string ReadTableFile(const std::filesystem::path& file);
// The file's name in UTF-8, for captions.
std::string TableFileName(const std::filesystem::path& file);

} // namespace tallyvox::report
