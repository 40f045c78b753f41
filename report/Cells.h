#pragma once
// The texts of the report's three grids, cell by cell: what a window shows and
// what the exports write are these same texts. All Windows-1251.

#include <array>
#include <string>

#include "report/DateFormat.h"
#include "report/Lists.h"

namespace tallyvox::report {

constexpr int CallColumnCount = 7;
constexpr int LineColumnCount = 5;
constexpr int TrunkColumnCount = 4;

// The title rows: "Дата" ... "Внешний номер", "Апп. АЛ" ... "Общий трафик",
// "Апп. СЛ" ... "Общий трафик".
const std::array<std::string, CallColumnCount>& CallGridTitles();
const std::array<std::string, LineColumnCount>& LineGridTitles();
const std::array<std::string, TrunkColumnCount>& TrunkGridTitles();

// A cell of the call grid: the start date by format, the start time and the
// duration as "hh:mm:ss", the hardware line, program number, trunk, dialled number.
// A null call is the empty row of a selection that matched nothing: empty cells.
void AppendCallCell(const TExtStr_rep* call, int column, const TDateFormat& format,
                    std::string& out);
std::string CallCell(const TExtStr_rep* call, int column, const TDateFormat& format);

// The hardware line, program number, outgoing, incoming and total traffic.
std::string LineCell(const TAL_rep& line, int column);
// The trunk, outgoing, incoming and total traffic.
std::string TrunkCell(const TSL_rep& trunk, int column);

} // namespace tallyvox::report
