#include "report/CallSource.h"

#include "report/FileBlocks.h"

namespace tallyvox::report {

namespace {

// Smaller files are read in one part: starting a thread costs more than it saves.
constexpr std::uint64_t SmallestSplitFile = std::uint64_t{4} << 20;
// The shortest line that can hold a call and its line end: calls of a file
// cannot outnumber its size divided by this.
constexpr std::uint64_t ShortestCallWithLineEnd = 48;

} // namespace

std::size_t TCallFileSource::PartCount(std::size_t most) const {
    const std::uint64_t size = FileSizeOrZero(File);
    Boundaries = {0};
    if (size >= SmallestSplitFile) {
        for (std::size_t i = 1; i < most; ++i) {
            // Each part but the last ends right after an LF, so no line (and no
            // CR LF pair) is split between two parts.
            const std::uint64_t next = NextLineStart(File, size / most * i, size);
            if (next > Boundaries.back() && next < size) {
                Boundaries.push_back(next);
            }
        }
    }
    Boundaries.push_back(UINT64_MAX); // the last part reads to the end, whatever it is by then
    return Boundaries.size() - 1;
}

std::size_t TCallFileSource::MostCalls(std::size_t part) const {
    const std::uint64_t size = FileSizeOrZero(File);
    const std::uint64_t end = std::min(Boundaries.at(part + 1), size);
    const std::uint64_t begin = std::min(Boundaries.at(part), end);
    return static_cast<std::size_t>((end - begin) / ShortestCallWithLineEnd + 1);
}

std::size_t TCallFileSource::Read(std::size_t part, const TCallConsumer& consumer) {
    TCallReader reader(consumer);
    ReadFileBlocks(File, Boundaries.at(part), Boundaries.at(part + 1),
                   [&reader](std::string_view bytes) { reader.Feed(bytes); });
    return reader.Finish();
}

std::size_t TCallListSource::Read(std::size_t, const TCallConsumer& consumer) {
    for (const TExtStr_rep& call : Calls) {
        consumer(call);
    }
    return Calls.LineCount();
}

} // namespace tallyvox::report
