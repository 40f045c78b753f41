// Arbitrary bytes as a call-accounting file: the load must keep only calls that
// make sense, give the same calls whatever the blocks the file arrives in, and
// the totals, sorts and exports built on them must hold their invariants.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "report/Export.h"
#include "report/Load.h"
#include "report/Sort.h"
#include "report/Totals.h"

using tallyvox::fuzz::Require;
using namespace tallyvox::report;

namespace {

bool SameCall(const TExtStr_rep& a, const TExtStr_rep& b) {
    return a.Start == b.Start && a.TotalSeconds == b.TotalSeconds &&
           a.HardwareLine == b.HardwareLine && a.ProgramNumber == b.ProgramNumber &&
           a.Trunk == b.Trunk && a.DialledNumber == b.DialledNumber;
}

void CheckCall(const TExtStr_rep& call) {
    Require(call.HardwareLine.size() == 3, "hardware line is three columns");
    Require(call.ProgramNumber.find(' ') == std::string_view::npos &&
                call.Trunk.find(' ') == std::string_view::npos &&
                call.DialledNumber.find(' ') == std::string_view::npos,
            "no blanks inside the texts");
    Require(call.Start.Month >= 1 && call.Start.Month <= 12 && call.Start.Hour <= 23,
            "a real date and time");
    Require(call.TotalSeconds ==
                call.DurationHours * 3600 + call.DurationMinutes * 60 + call.DurationSeconds,
            "total seconds");
}

template <class TList> void CheckTotals(const TList& list, std::int64_t callSeconds) {
    std::int64_t sum = 0;
    for (const auto& entry : list) {
        Require(entry.InMinutes < 60 && entry.InSeconds < 60 && entry.OutMinutes < 60 &&
                    entry.OutSeconds < 60,
                "carried counters");
        Require(entry.InHours * 3600 + entry.InMinutes * 60 + entry.InSeconds ==
                        entry.InTotalSeconds &&
                    entry.InTotalSeconds + entry.OutTotalSeconds == entry.TotalSeconds,
                "counters agree");
        sum += entry.TotalSeconds;
    }
    Require(sum == callSeconds, "the totals hold every call");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TCallList calls = LoadCallText(bytes);
    Require(calls.Count() <= calls.LineCount(), "calls are counted lines");

    // The same bytes in two blocks, split where the first byte says.
    const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
    TCallTextLoader loader;
    loader.Feed(bytes.substr(0, split));
    loader.Feed(bytes.substr(split));
    const TCallList again = loader.Finish();
    Require(again.Count() == calls.Count() && again.LineCount() == calls.LineCount(),
            "blocks do not change the load");
    std::int64_t seconds = 0;
    for (std::size_t i = 0; i < calls.Count(); ++i) {
        CheckCall(calls[i]);
        Require(SameCall(calls[i], again[i]), "blocks do not change a call");
        seconds += calls[i].TotalSeconds;
    }

    TLineList lines = BuildLineList(calls);
    TTrunkList trunks = BuildTrunkList(calls);
    CheckTotals(lines, seconds);
    CheckTotals(trunks, seconds);
    for (const TLineSortKey key :
         {TLineSortKey::HardwareLine, TLineSortKey::ProgramNumber, TLineSortKey::OutTraffic}) {
        SortLines(lines, key);
    }
    SortTrunks(trunks, TTrunkSortKey::Trunk);
    for (const TAL_rep& line : lines) {
        Require(FindLine(lines, line.HardwareLine) == &line, "the index follows the sorts");
    }
    CheckTotals(lines, seconds);

    const TDateFormat format("dd.MM.yyyy");
    const TCallRows rows = SelectCalls(calls, {"", false, std::string(bytes.substr(0, 1))});
    Require(ExportLines(TCallExport(rows, format)).size() == rows.Count() + 1, "call export");
    Require(ExportLines(TLineExport(lines)).size() == lines.Count() + 1, "line export");
    Require(ExportLines(TTrunkExport(trunks)).size() == trunks.Count() + 1, "trunk export");
    return 0;
}
