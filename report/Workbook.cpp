// The one adapter over the workbook library: every figure comes from the views.

#include "report/Workbook.h"

#include <algorithm>
#include <xlsxwriter.h>

#include "report/SpreadsheetText.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

constexpr std::size_t WidthSampleRows = 2000; // widths from the first rows, not a million
constexpr double MaxWidth = 60;
constexpr std::size_t MaxCellCharacters = 32767; // a longer text is refused
constexpr const char* CutMark = "\xE2\x80\xA6";  // "…"

bool StartsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// The UTF-8 text cut to the characters a cell holds, the last of them "…";
// false when it fits as it is.
bool CutToCell(std::string& utf8) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        if (StartsCharacter(utf8[at]) && ++characters == MaxCellCharacters) {
            std::size_t next = at + 1;
            while (next < utf8.size() && !StartsCharacter(utf8[next])) {
                ++next;
            }
            if (next == utf8.size()) {
                return false;
            }
            utf8.erase(at);
            utf8 += CutMark;
            return true;
        }
    }
    return false;
}

struct TFormats {
    lxw_format* Bold;
    lxw_format* Date;
    lxw_format* Time;
    lxw_format* Duration;
    lxw_format* Count;
    lxw_format* Money;
    lxw_format* Minutes;
    lxw_format* Text;
};

lxw_format* Numbered(lxw_workbook* book, const char* pattern, bool bold = false) {
    lxw_format* format = workbook_add_format(book);
    format_set_num_format(format, pattern);
    if (bold) {
        format_set_bold(format);
    }
    return format;
}

// The format of a kind of cell; bold for the totals row.
lxw_format* FormatOf(lxw_workbook* book, TCellKind kind, bool bold) {
    switch (kind) {
    case TCellKind::Date:
        return Numbered(book, "dd.mm.yyyy", bold);
    case TCellKind::Time:
        return Numbered(book, "hh:mm:ss", bold);
    case TCellKind::Duration:
        return Numbered(book, "[h]:mm:ss", bold);
    case TCellKind::Count:
        return Numbered(book, "0", bold);
    case TCellKind::Money:
    case TCellKind::Minutes:
        return Numbered(book, "0.00", bold);
    default:
        return Numbered(book, "@", bold);
    }
}

class TWriter {
public:
    TWriter(const std::string& fileName, const TWorkbookOptions& options) : Options(options) {
        lxw_workbook_options bookOptions{};
        bookOptions.constant_memory = LXW_TRUE; // rows go to disk as they are written
        Book = workbook_new_opt(fileName.c_str(), &bookOptions);
        if (Book == nullptr) {
            throw EWorkbookError("the workbook cannot be created");
        }
        for (bool bold : {false, true}) {
            for (TCellKind kind : {TCellKind::Date, TCellKind::Time, TCellKind::Duration,
                                   TCellKind::Count, TCellKind::Money, TCellKind::Text}) {
                Formats[bold][static_cast<int>(kind)] = FormatOf(Book, kind, bold);
            }
            Formats[bold][static_cast<int>(TCellKind::Minutes)] =
                Formats[bold][static_cast<int>(TCellKind::Money)];
            Formats[bold][static_cast<int>(TCellKind::Phone)] =
                Formats[bold][static_cast<int>(TCellKind::Text)];
            Formats[bold][static_cast<int>(TCellKind::Empty)] = nullptr;
        }
        Bold = workbook_add_format(Book);
        format_set_bold(Bold);
    }
    ~TWriter() {
        if (Book != nullptr) {
            workbook_close(Book);
        }
    }
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;

    void View(const TCostView& view) {
        const std::uint32_t firstData = static_cast<std::uint32_t>(Options.Heading.size()) + 1;
        if (Options.RowLimit <= firstData + 1) {
            throw EWorkbookError("a sheet must hold more rows than its heading");
        }
        const std::size_t perSheet = Options.RowLimit - firstData - 1; // room for the totals
        const std::vector<double> widths = Widths(view);
        std::size_t row = 0;
        int part = 1;
        do {
            const std::size_t end = std::min(view.RowCount(), row + perSheet);
            Sheet(view, widths, part++, row, end);
            row = end;
        } while (row < view.RowCount());
    }

    void Close(const std::string& fileName) {
        const lxw_error error = workbook_close(Book);
        Book = nullptr;
        if (CutCells > 0 && Options.Warnings != nullptr) {
            std::fprintf(Options.Warnings,
                         "%s: %zu texts longer than %zu characters cut, each ending in \u2026\n",
                         fileName.c_str(), CutCells, MaxCellCharacters);
        }
        if (error != LXW_NO_ERROR) {
            throw EWorkbookError(lxw_strerror(error));
        }
    }

private:
    void Sheet(const TCostView& view, const std::vector<double>& widths, int part,
               std::size_t begin, std::size_t end) {
        std::string name = text::Cp1251ToUtf8(view.Name());
        if (part > 1) {
            name += " (" + std::to_string(part) + ")";
        }
        lxw_worksheet* sheet = workbook_add_worksheet(Book, name.c_str());
        if (sheet == nullptr) {
            throw EWorkbookError("cannot add the sheet " + name);
        }
        const auto columns = static_cast<lxw_col_t>(view.Columns().size());
        for (lxw_col_t column = 0; column < columns; ++column) {
            worksheet_set_column(sheet, column, column, widths[column], nullptr);
        }
        lxw_row_t row = 0;
        for (const std::string& line : Options.Heading) {
            worksheet_write_string(sheet, row++, 0, line.c_str(), nullptr);
        }
        const lxw_row_t titleRow = row++;
        for (lxw_col_t column = 0; column < columns; ++column) {
            worksheet_write_string(sheet, titleRow, column,
                                   text::Cp1251ToUtf8(view.Columns()[column].Title).c_str(), Bold);
        }
        worksheet_freeze_panes(sheet, titleRow + 1, 0);
        for (std::size_t index = begin; index < end; ++index, ++row) {
            for (lxw_col_t column = 0; column < columns; ++column) {
                Write(sheet, row, column, view.Cell(index, column), false);
            }
        }
        worksheet_autofilter(sheet, titleRow, 0, row == titleRow + 1 ? titleRow : row - 1,
                             columns - 1);
        if (end == view.RowCount()) {
            const std::vector<TCell> totals = view.Totals();
            for (lxw_col_t column = 0; column < totals.size(); ++column) {
                Write(sheet, row, column, totals[column], true);
            }
        }
    }

    void Write(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const TCell& cell,
               bool bold) {
        lxw_format* format = Formats[bold][static_cast<int>(cell.Kind)];
        switch (cell.Kind) {
        case TCellKind::Empty:
            return;
        case TCellKind::Text:
        case TCellKind::Phone:
            worksheet_write_string(sheet, row, column, CellString(cell.Text).c_str(),
                                   bold ? Bold : format);
            return;
        case TCellKind::Date: {
            lxw_datetime date{cell.Date.Year, cell.Date.Month, cell.Date.Day, 0, 0, 0.0};
            worksheet_write_datetime(sheet, row, column, &date, format);
            return;
        }
        case TCellKind::Time: {
            lxw_datetime time{
                0, 0, 0, cell.Date.Hour, cell.Date.Minute, static_cast<double>(cell.Date.Second)};
            worksheet_write_datetime(sheet, row, column, &time, format);
            return;
        }
        case TCellKind::Duration:
            worksheet_write_number(sheet, row, column, static_cast<double>(cell.Number) / 86400,
                                   format);
            return;
        case TCellKind::Count:
            worksheet_write_number(sheet, row, column, static_cast<double>(cell.Number), format);
            return;
        case TCellKind::Money:
            worksheet_write_number(sheet, row, column, static_cast<double>(cell.Number) / 100,
                                   format);
            return;
        case TCellKind::Minutes:
            worksheet_write_number(sheet, row, column, static_cast<double>(cell.Number) / 60,
                                   format);
            return;
        }
    }

    std::string CellString(const std::string& cp1251) {
        std::string utf8 = SpreadsheetUtf8(cp1251);
        CutCells += CutToCell(utf8) ? 1 : 0;
        return utf8;
    }

    // The widest title or cell text of a column, in characters, and a margin.
    static std::vector<double> Widths(const TCostView& view) {
        const std::size_t columns = view.Columns().size();
        std::vector<std::size_t> widest(columns, 8);
        auto widen = [&](std::size_t column, const std::string& cp1251) {
            widest[column] = std::max(widest[column], cp1251.size());
        };
        for (std::size_t column = 0; column < columns; ++column) {
            widen(column, view.Columns()[column].Title);
        }
        const std::size_t rows = std::min(view.RowCount(), WidthSampleRows);
        for (std::size_t row = 0; row < rows; ++row) {
            for (std::size_t column = 0; column < columns; ++column) {
                widen(column, CellText(view.Cell(row, column)));
            }
        }
        const std::vector<TCell> totals = view.Totals();
        for (std::size_t column = 0; column < totals.size() && column < columns; ++column) {
            widen(column, CellText(totals[column]));
        }
        std::vector<double> widths;
        for (const std::size_t width : widest) {
            widths.push_back(std::min(MaxWidth, static_cast<double>(width) + 2));
        }
        return widths;
    }

    const TWorkbookOptions& Options;
    lxw_workbook* Book = nullptr;
    lxw_format* Formats[2][9]{};
    lxw_format* Bold = nullptr;
    std::size_t CutCells = 0;
};

} // namespace

void WriteWorkbook(const std::string& fileName, const std::vector<const TCostView*>& views,
                   const TWorkbookOptions& options) {
    TWriter writer(fileName, options);
    for (const TCostView* view : views) {
        writer.View(*view);
    }
    writer.Close(fileName);
}

} // namespace tallyvox::report
