#pragma once
// The views of a priced report as one workbook, a sheet per view: the heading
// lines first, then a bold title row that stays in place while scrolling, with a
// filter; typed cells (dates and times as date values, durations as time values,
// money as numbers with two decimals, phone numbers as text); widths that fit;
// a bold totals row. A view longer than a sheet's row limit goes on in a next
// sheet with the same heading and title row. A text longer than a cell holds is
// cut and ends in "…", and the cut is told on Warnings; a NUL in a text is
// written as U+FFFD.

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/CostViews.h"
#include "report/WriteResult.h"

namespace tallyvox::report {

// A workbook that cannot be written; what() says why.
class EWorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TWorkbookOptions {
    std::vector<std::string> Heading; // UTF-8 lines above each sheet's title row
    std::uint32_t RowLimit = 1048576; // rows a sheet may hold; smaller in tests
    std::FILE* Warnings = stderr;     // where cut texts are told
};

// Writes views, in order, to fileName, replacing it. Throws EWorkbookError.
void WriteWorkbook(const std::string& fileName, const std::vector<const TCostView*>& views,
                   const TWorkbookOptions& options);

// The workbook's bytes, for a message or a download: written through a file of
// its own in the temporary folder, which goes again. Throws EWorkbookError.
std::string WorkbookBytes(const std::vector<const TReportView*>& views,
                          const TWorkbookOptions& options);

// The same, answering as every writer of the report does.
TWriteResult SaveWorkbook(const std::string& fileName, const std::vector<const TReportView*>& views,
                          const TWorkbookOptions& options);

} // namespace tallyvox::report
