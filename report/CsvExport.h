#pragma once
// A view as a CSV file for a spreadsheet in a Russian locale: UTF-8 with a BOM
// (so the Cyrillic titles open right), ";" between fields, a decimal comma, CR LF,
// fields quoted where they hold ";", a quote or a line end. Phone numbers are
// written as ="0123": the spreadsheet's CSV import evaluates a field beginning
// with "=" and keeps the quoted digits as text, so a leading 0 or + survives and a
// long number does not become 1,23E+15 (a leading apostrophe would stay visible,
// a leading tab is trimmed by some versions and the number converted again).
// Any other text from a file that starts like a formula (=, +, -, @, a tab, a
// CR) gets an apostrophe in front, so that opening the file never runs it; a
// NUL in a text is written as U+FFFD.

#include <cstdio>
#include <string>

#include "report/CostViews.h"
#include "report/WriteResult.h"

namespace tallyvox::report {

// The file's bytes: the BOM, the title row, one row per view row.
std::string CsvText(const TCostView& view);
// One row (without its line end), for writers that stream.
std::string CsvRow(const TCostView& view, std::size_t row);
std::string CsvTitleRow(const TCostView& view);

// Writes the CSV of view to fileName, replacing it; false with errno set when it
// cannot be written.
bool WriteCsv(const TCostView& view, const std::string& fileName);
// The same, answering as every writer of the report does.
TWriteResult SaveCsv(const TReportView& view, const std::string& fileName);

} // namespace tallyvox::report
