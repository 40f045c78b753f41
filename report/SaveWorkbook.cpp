// The workbook's writer answering as every writer of the report does; built
// with either workbook library.

#include "report/Workbook.h"

namespace tallyvox::report {

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
