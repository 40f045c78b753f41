#include "report/FileTotals.h"

#include <exception>
#include <thread>
#include <vector>

#include "report/FileBlocks.h"
#include "report/Load.h"
#include "report/Totals.h"

namespace tallyvox::report {

namespace {

// Smaller files are read on one thread: starting another costs more than it saves.
constexpr std::uint64_t SmallestSplitFile = std::uint64_t{4} << 20;

// The totals of the lines from begin to end; both are line starts.
TFileTotals PartTotals(const std::string& fileName, std::uint64_t begin, std::uint64_t end) {
    TFileTotals totals;
    TCallReader reader([&totals](const TExtStr_rep& call) {
        AddToLineList(totals.Lines, call);
        AddToTrunkList(totals.Trunks, call);
    });
    ReadFileBlocks(fileName, begin, end, [&reader](std::string_view bytes) { reader.Feed(bytes); });
    totals.LineCount = reader.Finish();
    return totals;
}

// Adds the entries of a later part: a known key adds its traffic, a new one goes
// to the end, as it would have when the calls were read in one go.
template <class TList> void Join(TList& list, const TList& later) {
    for (const auto& entry : later) {
        if (auto* known = list.Find(KeyOf(entry))) {
            known->AddTraffic(entry);
        } else {
            list.Append(entry);
        }
    }
}

// Part boundaries: each part but the last ends right after an LF, so no line
// (and no CR LF pair) is split between two parts.
std::vector<std::uint64_t> Boundaries(const std::string& fileName, unsigned parts) {
    const std::uint64_t size = FileSizeOrZero(fileName);
    std::vector<std::uint64_t> boundaries{0};
    if (size >= SmallestSplitFile) {
        for (unsigned i = 1; i < parts; ++i) {
            const std::uint64_t next = NextLineStart(fileName, size / parts * i, size);
            if (next > boundaries.back() && next < size) {
                boundaries.push_back(next);
            }
        }
    }
    boundaries.push_back(UINT64_MAX); // the last part reads to the end, whatever it is by then
    return boundaries;
}

} // namespace

TFileTotals ReadFileTotals(const std::string& fileName, unsigned threads) {
    const std::vector<std::uint64_t> boundaries = Boundaries(fileName, std::max(threads, 1u));
    const std::size_t partCount = boundaries.size() - 1;
    std::vector<TFileTotals> parts(partCount);
    std::vector<std::exception_ptr> failures(partCount);
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < partCount; ++i) {
        workers.emplace_back([&, i] {
            try {
                parts[i] = PartTotals(fileName, boundaries[i], boundaries[i + 1]);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        });
    }
    try {
        parts[0] = PartTotals(fileName, boundaries[0], boundaries[1]);
    } catch (...) {
        failures[0] = std::current_exception();
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
    TFileTotals totals = std::move(parts[0]);
    for (std::size_t i = 1; i < partCount; ++i) {
        totals.LineCount += parts[i].LineCount;
        Join(totals.Lines, parts[i].Lines);
        Join(totals.Trunks, parts[i].Trunks);
    }
    return totals;
}

} // namespace tallyvox::report
