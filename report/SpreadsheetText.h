#pragma once
// Texts from call files and tariff tables on their way into a spreadsheet: what
// the spreadsheet would run as a formula is kept as text, and a NUL, which ends
// a text early in the spreadsheet's own files, is shown as a replacement
// character instead.

#include <string>
#include <string_view>

namespace tallyvox::report {

// Whether a spreadsheet takes a cell that starts with the text's first character
// as a formula (or, for a tab or CR, may trim it and then take the rest as one).
bool StartsLikeFormula(std::string_view text);

// The text with an apostrophe in front when it starts like a formula, so that it
// is shown as typed and never run.
std::string WithoutFormula(std::string text);

// A Windows-1251 text as UTF-8 with every NUL as U+FFFD.
std::string SpreadsheetUtf8(std::string_view cp1251);

} // namespace tallyvox::report
