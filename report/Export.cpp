#include "report/Export.h"

#include <algorithm>
#include <array>

#include "report/Cells.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

// The start of a time cell: shorter texts (only the empty cells of a selection
// that matched nothing) get one "0" in front.
constexpr std::size_t TimeCellWidth = 8;
constexpr std::size_t CallLineTail = 24;
constexpr std::size_t TotalsLineTail = 45;
constexpr std::array<std::size_t, 4> CallColumns{33, 39, 46, 53};
constexpr std::array<std::size_t, 4> LineColumns{13, 25, 40, 56};
constexpr std::array<std::size_t, 3> TrunkColumns{11, 26, 42};

// Builds one export line at the end of a text: a field goes in at its 1-based
// column, moving what stands there to the right; after a field that reaches past
// the column it goes in right behind that field instead, so fields never mix; a
// line too short for the column gets the field at its end.
class TLineBuilder {
public:
    explicit TLineBuilder(std::string& out) : Out(out), Begin(out.size()) {}

    void Append(std::string_view text) {
        Out += text;
        FieldEnd = Out.size() - Begin;
    }
    void AppendBlanks(std::size_t count) { Out.append(count, ' '); }

    void Insert(std::string_view text, std::size_t column) {
        const std::size_t length = Out.size() - Begin;
        const std::size_t at = std::min(std::max(column - 1, FieldEnd), length);
        Out.insert(Begin + at, text);
        FieldEnd = at + text.size();
    }

private:
    std::string& Out;
    std::size_t Begin;
    std::size_t FieldEnd = 0; // characters up to the end of the last field
};

void AppendTimeCell(const std::string& cell, TLineBuilder& line) {
    if (cell.size() < TimeCellWidth) {
        line.Append("0");
    }
    line.Append(cell);
}

template <class TCellOf, std::size_t N>
void AppendTotalsLine(TCellOf cellOf, const std::array<std::size_t, N>& columns, std::string& out) {
    TLineBuilder line(out);
    line.Append(cellOf(0));
    line.AppendBlanks(TotalsLineTail);
    for (std::size_t i = 0; i < N; ++i) {
        line.Insert(cellOf(static_cast<int>(i + 1)), columns[i]);
    }
}

} // namespace

void TCallExport::AppendLine(std::size_t index, std::string& out) const {
    if (index == 0) {
        static const std::string header = text::Utf8ToCp1251(
            "        Начало         Длит.    Апп.  Прг.   СЛ     Набранный номер");
        out += header;
        return;
    }
    const TExtStr_rep* call = Rows.Call(index - 1);
    TLineBuilder line(out);
    line.Append(CallCell(call, 0, Format));
    line.AppendBlanks(2);
    AppendTimeCell(CallCell(call, 1, Format), line);
    line.AppendBlanks(2);
    AppendTimeCell(CallCell(call, 2, Format), line);
    line.AppendBlanks(CallLineTail);
    for (std::size_t i = 0; i < CallColumns.size(); ++i) {
        line.Insert(CallCell(call, static_cast<int>(i + 3), Format), CallColumns[i]);
    }
}

void TLineExport::AppendLine(std::size_t index, std::string& out) const {
    if (index == 0) {
        static const std::string header =
            text::Utf8ToCp1251("Апп.АЛ     Прг.АЛ      Исх. трафик    Вх. трафик     Общий трафик");
        out += header;
        return;
    }
    const TAL_rep& entry = Lines[index - 1];
    AppendTotalsLine([&](int column) { return LineCell(entry, column); }, LineColumns, out);
}

void TTrunkExport::AppendLine(std::size_t index, std::string& out) const {
    if (index == 0) {
        static const std::string header =
            text::Utf8ToCp1251("Апп.СЛ   Исх. трафик    Вх. трафик     Общий трафик");
        out += header;
        return;
    }
    const TSL_rep& entry = Trunks[index - 1];
    AppendTotalsLine([&](int column) { return TrunkCell(entry, column); }, TrunkColumns, out);
}

std::vector<std::string> ExportLines(const TExportLines& lines) {
    std::vector<std::string> out(lines.Count());
    for (std::size_t i = 0; i < out.size(); ++i) {
        lines.AppendLine(i, out[i]);
    }
    return out;
}

bool WriteExport(const TExportLines& lines, std::FILE* file) {
    constexpr std::size_t FlushAt = std::size_t{1} << 16;
    std::string buffer;
    buffer.reserve(FlushAt * 2);
    auto flush = [&] {
        const bool written = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
        buffer.clear();
        return written;
    };
    const std::size_t count = lines.Count();
    for (std::size_t i = 0; i < count; ++i) {
        lines.AppendLine(i, buffer);
        buffer += "\r\n";
        if (buffer.size() >= FlushAt && !flush()) {
            return false;
        }
    }
    return flush();
}

} // namespace tallyvox::report
