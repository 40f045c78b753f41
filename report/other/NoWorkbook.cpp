// The workbook export of a build without libxlsxwriter.

#include "report/Workbook.h"

namespace tallyvox::report {

void WriteWorkbook(const std::string&, const std::vector<const TCostView*>&,
                   const TWorkbookOptions&) {
    throw EWorkbookError("this build cannot write workbooks (built without libxlsxwriter)");
}

} // namespace tallyvox::report
