#pragma once
// The four views of a priced report as typed tables: the calls with their billed
// duration, destination and cost; the line and trunk totals with their count of
// calls and cost; the destinations. The window's grids, the CSV files and the
// workbook all show these same cells; each writer only chooses how a kind of
// cell is written.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/Costs.h"
#include "report/Selection.h"

namespace tallyvox::report {

enum class TCellKind {
    Empty,
    Text,     // Windows-1251
    Phone,    // digits kept as text: a leading 0 or + matters
    Date,     // the date of Date
    Time,     // the time of day of Date
    Duration, // Number seconds, hours unbounded
    Count,    // Number
    Money,    // Number hundredths
    Minutes,  // Number seconds, shown as minutes with two decimals
};

struct TCell {
    TCellKind Kind = TCellKind::Empty;
    std::string Text;
    std::int64_t Number = 0;
    TDateTime Date;
};

struct TColumn {
    std::string Title; // Windows-1251
    TCellKind Kind;
};

enum class TViewKind { Calls, Lines, Trunks, Destinations };

// "calls", "lines", "trunks", "destinations"; nothing for another name.
std::optional<TViewKind> ViewByName(const std::string& name);

// The columns of each view: titles and kinds of cell.
const std::vector<TColumn>& ViewColumns(TViewKind kind);

class TCostView {
public:
    virtual ~TCostView() = default;
    // The sheet's name (Windows-1251): "Звонки", "АЛ", "СЛ", "Направления".
    virtual std::string Name() const = 0;
    virtual const std::vector<TColumn>& Columns() const = 0;
    virtual std::size_t RowCount() const = 0;
    virtual TCell Cell(std::size_t row, std::size_t column) const = 0;
    // The totals row under the rows ("Итого" first).
    virtual std::vector<TCell> Totals() const = 0;
};

// The views of one priced report. Everything given must outlive the views.
class TCostViews {
public:
    TCostViews(const TCallRows& rows, const TLineList& lines, const TTrunkList& trunks,
               const TCostReport& costs, const TTariffTable& table);
    const TCostView& View(TViewKind kind) const;

private:
    std::vector<std::unique_ptr<TCostView>> Views; // in TViewKind order
};

// A cell as the window shows it (Windows-1251): dates "dd.mm.yyyy", times
// "hh:mm:ss", durations "hh:mm:ss" with unbounded hours, money and minutes with
// two decimals after decimalPoint.
std::string CellText(const TCell& cell, char decimalPoint = ',');

// The heading lines of an export (UTF-8): the period, the tariff file, the
// grand total and the unpriced calls.
std::vector<std::string> HeadingLines(const std::string& periodCaption, const TTariffTable& table,
                                      const TCostReport& costs);

} // namespace tallyvox::report
