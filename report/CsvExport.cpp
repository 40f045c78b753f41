#include "report/CsvExport.h"

#include <algorithm>
#include <cerrno>

#include "report/SpreadsheetText.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

constexpr const char* Bom = "\xEF\xBB\xBF";
constexpr const char* LineEnd = "\r\n";

std::string Quoted(const std::string& utf8) {
    if (utf8.find_first_of(";\"\r\n") == std::string::npos &&
        (utf8.empty() || utf8.front() != ' ')) {
        return utf8;
    }
    std::string quoted = "\"";
    for (const char c : utf8) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

bool PhoneCharacters(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#';
    });
}

std::string Field(const TCell& cell) {
    if (cell.Kind == TCellKind::Phone && !cell.Text.empty() && PhoneCharacters(cell.Text)) {
        return "=\"" + cell.Text + "\"";
    }
    const std::string text = SpreadsheetUtf8(CellText(cell, ','));
    // A name or number from a file is never run; the figures written here are
    // numbers and stay numbers.
    const bool fromFile = cell.Kind == TCellKind::Text || cell.Kind == TCellKind::Phone;
    return Quoted(fromFile ? WithoutFormula(text) : text);
}

} // namespace

std::string CsvTitleRow(const TCostView& view) {
    std::string row;
    for (const TColumn& column : view.Columns()) {
        row += (row.empty() ? "" : ";") + Quoted(text::Cp1251ToUtf8(column.Title));
    }
    return row;
}

std::string CsvRow(const TCostView& view, std::size_t row) {
    std::string text;
    for (std::size_t column = 0; column < view.Columns().size(); ++column) {
        if (column > 0) {
            text += ';';
        }
        text += Field(view.Cell(row, column));
    }
    return text;
}

std::string CsvText(const TCostView& view) {
    std::string text = Bom + CsvTitleRow(view) + LineEnd;
    for (std::size_t row = 0; row < view.RowCount(); ++row) {
        text += CsvRow(view, row) + LineEnd;
    }
    return text;
}

bool WriteCsv(const TCostView& view, const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::string line = Bom + CsvTitleRow(view) + LineEnd;
    bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    for (std::size_t row = 0; written && row < view.RowCount(); ++row) {
        line = CsvRow(view, row) + LineEnd;
        written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    }
    // A full disk may show only when the last block is written out.
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

TWriteResult SaveCsv(const TReportView& view, const std::string& fileName) {
    errno = 0;
    return WriteCsv(view, fileName) ? WrittenFile(fileName) : FailedWrite(fileName, errno);
}

} // namespace tallyvox::report
