#include "report/Sort.h"

#include <optional>

#include "callfile/CallLine.h"

namespace tallyvox::report {

namespace {

// A text key of the integer sorts: its value when it converts.
struct TIntegerKey {
    std::optional<int> Value;
    std::string_view Text;
};

TIntegerKey HardwareLineKey(const TAL_rep& line) {
    return {callfile::TextToInteger(line.HardwareLine), line.HardwareLine};
}

TIntegerKey ProgramNumberKey(const TAL_rep& line) {
    if (line.ProgramNumber.empty()) {
        return {0, line.ProgramNumber};
    }
    return {callfile::TextToInteger(line.ProgramNumber), line.ProgramNumber};
}

// Converted keys by value, then the others by the bytes of their text.
bool IntegerKeyLess(const TIntegerKey& a, const TIntegerKey& b) {
    if (a.Value && b.Value) {
        return *a.Value < *b.Value;
    }
    if (a.Value || b.Value) {
        return a.Value.has_value();
    }
    return a.Text < b.Text;
}

template <class TKeyOf> auto ByIntegerKey(TKeyOf keyOf) {
    return
        [keyOf](const TAL_rep& a, const TAL_rep& b) { return IntegerKeyLess(keyOf(a), keyOf(b)); };
}

template <class TList> void SortByCount(TList& list, std::uint32_t TTraffic_rep::*count) {
    list.StableSort([count](const auto& a, const auto& b) { return a.*count < b.*count; });
}

unsigned char UpperAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// Letters a to z folded to upper case, every other byte by its code; a text that
// is the start of the other comes first.
bool CaseInsensitiveLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = UpperAscii(a[i]);
        const unsigned char y = UpperAscii(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

} // namespace

void SortLines(TLineList& lines, TLineSortKey key) {
    switch (key) {
    case TLineSortKey::HardwareLine:
        lines.StableSort(ByIntegerKey(HardwareLineKey));
        break;
    case TLineSortKey::ProgramNumber:
        lines.StableSort(ByIntegerKey(ProgramNumberKey));
        break;
    case TLineSortKey::OutTraffic:
        SortByCount(lines, &TTraffic_rep::OutTotalSeconds);
        break;
    case TLineSortKey::InTraffic:
        SortByCount(lines, &TTraffic_rep::InTotalSeconds);
        break;
    case TLineSortKey::TotalTraffic:
        SortByCount(lines, &TTraffic_rep::TotalSeconds);
        break;
    }
}

void SortTrunks(TTrunkList& trunks, TTrunkSortKey key) {
    switch (key) {
    case TTrunkSortKey::Trunk:
        trunks.StableSort([](const TSL_rep& a, const TSL_rep& b) {
            return CaseInsensitiveLess(a.Trunk, b.Trunk);
        });
        break;
    case TTrunkSortKey::OutTraffic:
        SortByCount(trunks, &TTraffic_rep::OutTotalSeconds);
        break;
    case TTrunkSortKey::InTraffic:
        SortByCount(trunks, &TTraffic_rep::InTotalSeconds);
        break;
    case TTrunkSortKey::TotalTraffic:
        SortByCount(trunks, &TTraffic_rep::TotalSeconds);
        break;
    }
}

} // namespace tallyvox::report
