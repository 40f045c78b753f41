#include "report/Selection.h"

namespace tallyvox::report {

namespace {

std::string WithoutBlanks(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ') {
            out += c;
        }
    }
    return out;
}

} // namespace

TCallRows::TCallRows(const TCallList& calls) : Calls_(&calls) {}

std::size_t TCallRows::Count() const {
    if (All) {
        return Calls_->Count();
    }
    return Selected.empty() ? 1 : Selected.size();
}

const TExtStr_rep* TCallRows::Call(std::size_t row) const {
    if (All) {
        return &(*Calls_)[row];
    }
    return Selected.empty() ? nullptr : &(*Calls_)[Selected[row]];
}

TCallRows SelectCalls(const TCallList& calls, const TSelection& selection) {
    TCallRows rows(calls);
    const std::string subscriber = WithoutBlanks(selection.Subscriber);
    if (subscriber.empty() && selection.Prefix.empty() && !calls.Empty()) {
        return rows;
    }
    rows.All = false;
    for (std::size_t i = 0; i < calls.Count(); ++i) {
        const TExtStr_rep& call = calls[i];
        const std::string_view key =
            selection.ByHardwareLine ? call.HardwareLine : call.ProgramNumber;
        if ((subscriber.empty() || key == subscriber) &&
            call.DialledNumber.starts_with(selection.Prefix)) {
            rows.Selected.push_back(static_cast<std::uint32_t>(i));
        }
    }
    return rows;
}

} // namespace tallyvox::report
