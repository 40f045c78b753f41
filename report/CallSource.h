#pragma once
// Where a report's calls come from: a call-accounting file, the calls already
// loaded, or a store (which implements this in its own library). A source that
// can be read in parts (a large file) is read on several threads at once.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "report/Lists.h"
#include "report/Load.h"

namespace tallyvox::report {

class TCallSource {
public:
    virtual ~TCallSource() = default;
    // The parts the source is read in, at most most (at least one).
    virtual std::size_t PartCount(std::size_t most) const = 0;
    // The calls a part may hold at most, to reserve room (0: not known).
    virtual std::size_t MostCalls(std::size_t part) const = 0;
    // Hands every call of one part to consumer, in order; the part's line count
    // (as TCallList::LineCount). Parts given in turn give the whole source in
    // order. Throws std::system_error or std::runtime_error when it cannot be read.
    virtual std::size_t Read(std::size_t part, const TCallConsumer& consumer) = 0;
};

// A call-accounting file. Its parts end at line starts.
class TCallFileSource final : public TCallSource {
public:
    explicit TCallFileSource(std::filesystem::path file) : File(std::move(file)) {}
    std::size_t PartCount(std::size_t most) const override;
    std::size_t MostCalls(std::size_t part) const override;
    std::size_t Read(std::size_t part, const TCallConsumer& consumer) override;

private:
    std::filesystem::path File;
    // The parts' first bytes and, last, the end; set by PartCount.
    mutable std::vector<std::uint64_t> Boundaries;
};

// Calls already loaded (a window that narrows its file to a period); the list
// must outlive the source.
class TCallListSource final : public TCallSource {
public:
    explicit TCallListSource(const TCallList& calls) : Calls(calls) {}
    std::size_t PartCount(std::size_t) const override { return 1; }
    std::size_t MostCalls(std::size_t) const override { return Calls.Count(); }
    std::size_t Read(std::size_t part, const TCallConsumer& consumer) override;

private:
    const TCallList& Calls;
};

} // namespace tallyvox::report
