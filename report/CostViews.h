#pragma once
// The views of a report as typed tables: the calls with their billed duration,
// destination and cost; the line and trunk totals with their count of calls and
// cost; the destinations. The window's grids, the CSV files, the workbook and
// the terminal's tables all show these same cells; each writer only chooses how
// a kind of cell is written. Every client offers the views of one catalog, so a
// new view is one class and one entry there.

#include <cstddef>
#include <cstdint>
#include <functional>
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

// A view's place in the catalog; the report's own views are the first four.
enum class TViewKind { Calls, Lines, Trunks, Destinations };

// The view of a catalog key ("calls", "lines", "trunks", "destinations", ...);
// nothing for another name.
std::optional<TViewKind> ViewByName(const std::string& name);

// The columns of each of the report's own views: titles and kinds of cell.
const std::vector<TColumn>& ViewColumns(TViewKind kind);

// One view of a report: a caption, columns and rows of typed cells.
class TReportView {
public:
    virtual ~TReportView() = default;
    // The caption, and the sheet's name (Windows-1251): "Звонки", "АЛ", "СЛ",
    // "Направления".
    virtual std::string Name() const = 0;
    virtual const std::vector<TColumn>& Columns() const = 0;
    virtual std::size_t RowCount() const = 0;
    virtual TCell Cell(std::size_t row, std::size_t column) const = 0;
    // The totals row under the rows ("Итого" first); empty for a view without one.
    virtual std::vector<TCell> Totals() const = 0;
};
using TCostView = TReportView;

// What the views of a report are made of; all must outlive the views.
struct TViewSources {
    const TCallRows& Rows; // the calls shown
    const TLineList& Lines;
    const TTrunkList& Trunks;
    const TCostReport& Costs;
    const TTariffTable& Table;
};

struct TViewEntry {
    std::string Key; // how a command line names the view: "calls"
    // The columns a report without tariffs shows in its grid (the first ones, no
    // totals row); 0: the view is shown only when priced.
    std::size_t UnpricedColumns = 0;
    std::function<std::unique_ptr<TReportView>(const TViewSources&)> Make;
};

// The views every client shows and writes, in this order.
const std::vector<TViewEntry>& ViewCatalog();
// Adds a view at the end of the catalog (before any client lists it); its kind.
TViewKind AddView(TViewEntry entry);

// The first columns of a view without its totals row: the grid of a report
// without tariffs. view must outlive it.
std::unique_ptr<TReportView> FirstColumns(const TReportView& view, std::size_t columns);

// The views of the catalog over one report. Everything given must outlive the views.
class TCostViews {
public:
    TCostViews(const TCallRows& rows, const TLineList& lines, const TTrunkList& trunks,
               const TCostReport& costs, const TTariffTable& table);
    const TReportView& View(TViewKind kind) const;
    std::size_t Count() const { return Views.size(); }

private:
    std::vector<std::unique_ptr<TReportView>> Views; // in catalog order
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
