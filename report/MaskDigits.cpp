#include "report/MaskDigits.h"

namespace tallyvox::report {

std::string MaskDigits(std::string_view number, unsigned count) {
    std::string masked(number);
    for (auto digit = masked.rbegin(); digit != masked.rend() && count > 0; ++digit) {
        if (*digit >= '0' && *digit <= '9') {
            *digit = 'X';
            --count;
        }
    }
    return masked;
}

namespace {

class TMaskedView final : public TReportView {
public:
    TMaskedView(const TReportView& view, unsigned count) : View(view), Count(count) {}
    std::string Name() const override { return View.Name(); }
    const std::vector<TColumn>& Columns() const override { return View.Columns(); }
    std::size_t RowCount() const override { return View.RowCount(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        TCell cell = View.Cell(row, column);
        if (cell.Kind == TCellKind::Phone) {
            cell.Text = MaskDigits(cell.Text, Count);
        }
        return cell;
    }
    std::vector<TCell> Totals() const override { return View.Totals(); }

private:
    const TReportView& View;
    unsigned Count;
};

} // namespace

std::unique_ptr<TReportView> MaskedView(const TReportView& view, unsigned count) {
    return std::make_unique<TMaskedView>(view, count);
}

TCallList MaskedCalls(const TCallRows& rows, unsigned count) {
    TCallList masked;
    masked.Reserve(rows.Count());
    for (std::size_t row = 0; row < rows.Count(); ++row) {
        if (const TExtStr_rep* shown = rows.Call(row)) {
            TExtStr_rep call = *shown;
            const std::string number = MaskDigits(call.DialledNumber, count);
            call.DialledNumber = number;
            masked.Append(call);
        }
    }
    masked.SetLineCount(rows.Calls().LineCount());
    return masked;
}

} // namespace tallyvox::report
