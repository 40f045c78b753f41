// The workbook's writer answering as every writer of the report does; built
// with either workbook library.

#include "report/Workbook.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tallyvox::report {

namespace {

// A name in the temporary folder no other writer picks.
std::filesystem::path TemporaryName() {
    std::random_device random;
    const std::uint64_t number = (std::uint64_t{random()} << 32) | random();
    return std::filesystem::temp_directory_path() /
           ("tallyvox-workbook-" + std::to_string(number) + ".xlsx");
}

} // namespace

std::string WorkbookBytes(const std::vector<const TReportView*>& views,
                          const TWorkbookOptions& options) {
    const std::filesystem::path file = TemporaryName();
    std::ostringstream bytes;
    try {
        WriteWorkbook(file.string(), views, options);
        std::ifstream in(file, std::ios::binary);
        if (!(bytes << in.rdbuf())) {
            throw EWorkbookError("cannot read back " + file.string());
        }
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        throw;
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return bytes.str();
}

TWriteResult SaveWorkbook(const std::string& fileName, const std::vector<const TReportView*>& views,
                          const TWorkbookOptions& options) {
    try {
        WriteWorkbook(fileName, views, options);
    } catch (const EWorkbookError& error) {
        return {fileName, error.what(), 0, 0};
    }
    return WrittenFile(fileName);
}

} // namespace tallyvox::report
