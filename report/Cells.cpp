#include "report/Cells.h"

#include "report/Totals.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

template <std::size_t N>
std::array<std::string, N> Cp1251Titles(const std::array<const char*, N>& utf8) {
    std::array<std::string, N> titles;
    for (std::size_t i = 0; i < N; ++i) {
        titles[i] = text::Utf8ToCp1251(utf8[i]);
    }
    return titles;
}

} // namespace

const std::array<std::string, CallColumnCount>& CallGridTitles() {
    static const auto titles = Cp1251Titles<CallColumnCount>(
        {"Дата", "Время", "Длительность", "Апп. АЛ", "Прг. АЛ", "Номер СЛ", "Внешний номер"});
    return titles;
}

const std::array<std::string, LineColumnCount>& LineGridTitles() {
    static const auto titles = Cp1251Titles<LineColumnCount>(
        {"Апп. АЛ", "Прг. АЛ", "Исх. трафик", "Вх. трафик", "Общий трафик"});
    return titles;
}

const std::array<std::string, TrunkColumnCount>& TrunkGridTitles() {
    static const auto titles =
        Cp1251Titles<TrunkColumnCount>({"Апп. СЛ", "Исх. трафик", "Вх. трафик", "Общий трафик"});
    return titles;
}

void AppendCallCell(const TExtStr_rep* call, int column, const TDateFormat& format,
                    std::string& out) {
    if (call == nullptr) {
        return;
    }
    switch (column) {
    case 0:
        format.Append(call->Start, out);
        break;
    case 1:
        AppendTimeText(call->Start.Hour, call->Start.Minute, call->Start.Second, out);
        break;
    case 2:
        AppendTimeText(call->DurationHours, call->DurationMinutes, call->DurationSeconds, out);
        break;
    case 3:
        out += call->HardwareLine;
        break;
    case 4:
        out += call->ProgramNumber;
        break;
    case 5:
        out += call->Trunk;
        break;
    case 6:
        out += call->DialledNumber;
        break;
    default:
        break;
    }
}

std::string CallCell(const TExtStr_rep* call, int column, const TDateFormat& format) {
    std::string out;
    AppendCallCell(call, column, format, out);
    return out;
}

std::string LineCell(const TAL_rep& line, int column) {
    switch (column) {
    case 0:
        return line.HardwareLine;
    case 1:
        return line.ProgramNumber;
    case 2:
        return OutTrafficText(line);
    case 3:
        return InTrafficText(line);
    case 4:
        return TotalTrafficText(line);
    default:
        return {};
    }
}

std::string TrunkCell(const TSL_rep& trunk, int column) {
    switch (column) {
    case 0:
        return trunk.Trunk;
    case 1:
        return OutTrafficText(trunk);
    case 2:
        return InTrafficText(trunk);
    case 3:
        return TotalTrafficText(trunk);
    default:
        return {};
    }
}

} // namespace tallyvox::report
