#include "report/ShownViews.h"

#include <functional>

#include "report/MaskDigits.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

using TPersonOfRow = std::function<const TDirectoryEntry*(std::size_t row)>;

// A view with the columns of a directory entry put in before column At.
class TNamedView final : public TReportView {
public:
    TNamedView(const TReportView& inner, std::size_t at, bool person, TPersonOfRow personOf)
        : Inner(inner), At(at), Person(person), PersonOf(std::move(personOf)) {
        Columns_ = inner.Columns();
        const std::vector<TColumn> added =
            person ? std::vector<TColumn>{{text::Utf8ToCp1251("Абонент"), TCellKind::Text},
                                          {text::Utf8ToCp1251("Отдел"), TCellKind::Text}}
                   : std::vector<TColumn>{{text::Utf8ToCp1251("Название"), TCellKind::Text}};
        Columns_.insert(Columns_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(),
                        added.end());
    }

    std::string Name() const override { return Inner.Name(); }
    const std::vector<TColumn>& Columns() const override { return Columns_; }
    std::size_t RowCount() const override { return Inner.RowCount(); }
    TCell Cell(std::size_t row, std::size_t column) const override {
        const std::size_t added = Added();
        if (column < At) {
            return Inner.Cell(row, column);
        }
        if (column >= At + added) {
            return Inner.Cell(row, column - added);
        }
        const TDirectoryEntry* entry = PersonOf(row);
        if (entry == nullptr) {
            return {};
        }
        return TCell{TCellKind::Text, column == At ? entry->Name : entry->Department, 0, {}};
    }
    std::vector<TCell> Totals() const override {
        std::vector<TCell> totals = Inner.Totals();
        totals.insert(totals.begin() + static_cast<std::ptrdiff_t>(At), Added(), TCell{});
        return totals;
    }

private:
    std::size_t Added() const { return Person ? 2 : 1; }

    const TReportView& Inner;
    std::size_t At;
    bool Person;
    TPersonOfRow PersonOf;
    std::vector<TColumn> Columns_;
};

// The calls view's columns: date, time, duration, hardware, program, ...
constexpr std::size_t CallNamesAt = 5;
// The lines view's: hardware, program, ...; the trunks view's: trunk, ...
constexpr std::size_t LineNamesAt = 2;
constexpr std::size_t TrunkNameAt = 1;

} // namespace

TShownViews::TShownViews(const TCostViews& views, const TCallRows& rows,
                         const TDirectory& directory, unsigned maskDigits)
    : Views(views), Named(views.Count()), Masked(views.Count()) {
    if (maskDigits > 0) {
        for (std::size_t kind = 0; kind < views.Count(); ++kind) {
            Masked[kind] = MaskedView(views.View(static_cast<TViewKind>(kind)), maskDigits);
        }
    }
    if (directory.Empty()) {
        return;
    }
    for (const TExtStr_rep& call : rows.Calls()) {
        LastOfLine[std::string(call.HardwareLine)] = &call;
        LastOfTrunk[std::string(call.Trunk)] = &call;
    }
    const TReportView& lines = View(TViewKind::Lines);
    const TReportView& trunks = View(TViewKind::Trunks);
    auto last = [](const auto& calls, const std::string& key) -> const TExtStr_rep* {
        const auto found = calls.find(key);
        return found == calls.end() ? nullptr : found->second;
    };
    Named[0] = std::make_unique<TNamedView>(
        View(TViewKind::Calls), CallNamesAt, true, [&rows, &directory](std::size_t row) {
            const TExtStr_rep* call = rows.Call(row);
            return call == nullptr ? nullptr : directory.PersonOf(*call);
        });
    Named[1] = std::make_unique<TNamedView>(
        lines, LineNamesAt, true, [this, &lines, &directory, last](std::size_t row) {
            const TExtStr_rep* call = last(LastOfLine, lines.Cell(row, 0).Text);
            return call == nullptr ? nullptr : directory.PersonOf(*call);
        });
    Named[2] = std::make_unique<TNamedView>(
        trunks, TrunkNameAt, false, [this, &trunks, &directory, last](std::size_t row) {
            const TExtStr_rep* call = last(LastOfTrunk, trunks.Cell(row, 0).Text);
            return call == nullptr ? nullptr
                                   : directory.Find(TDirectoryKey::Trunk, call->Trunk, call->Start);
        });
}

TShownViews::~TShownViews() = default;

const TReportView& TShownViews::View(TViewKind kind) const {
    const auto index = static_cast<std::size_t>(kind);
    if (Named[index]) {
        return *Named[index];
    }
    if (Masked[index]) {
        return *Masked[index];
    }
    return Views.View(kind);
}

} // namespace tallyvox::report
