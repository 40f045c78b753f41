#pragma once
// The office directory: whose a subscriber line is, in which department and cost
// centre, and what a trunk is called, each from a day to a day. A line passed
// from one person to another has a row for each, so a call goes to the person
// the line had on the call's start date, and old calls stay with the old person.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/Types.h"

namespace tallyvox::report {

// What a directory row names: a line by its hardware number, a line by its
// program number, or a trunk.
enum class TDirectoryKey { Line, Number, Trunk };

// One row of the directory. Texts are Windows-1251.
struct TDirectoryEntry {
    TDirectoryKey Kind = TDirectoryKey::Line;
    std::string Key; // the hardware number, program number or trunk, blanks dropped
    std::string Name;
    std::string Department;
    std::string CostCentre;
    std::string Email;
    // Seconds (SecondsOf) of the first day's 00:00:00 and of the last day's
    // 23:59:59: both days are the row's.
    std::int64_t From = std::numeric_limits<std::int64_t>::min();
    std::int64_t To = std::numeric_limits<std::int64_t>::max();
    std::size_t Line = 0; // in the directory's file, for messages

    bool Holds(std::int64_t second) const { return From <= second && second <= To; }
    bool Overlaps(const TDirectoryEntry& other) const {
        return From <= other.To && other.From <= To;
    }
};

class TDirectory {
public:
    TDirectory() = default;
    // entries must hold no two rows of one key with overlapping days (the reader
    // refuses those).
    explicit TDirectory(std::vector<TDirectoryEntry> entries, std::string fileName = {});

    const std::vector<TDirectoryEntry>& Entries() const { return Entries_; }
    // The name of the file the directory came from (UTF-8), for captions.
    const std::string& FileName() const { return FileName_; }
    bool Empty() const { return Entries_.empty(); }

    // The row of a key on a date-time, or nullptr.
    const TDirectoryEntry* Find(TDirectoryKey kind, std::string_view key,
                                const TDateTime& when) const;
    // The person of a call's line on the call's start: by the hardware number,
    // else by the program number; nullptr when the directory has neither.
    const TDirectoryEntry* PersonOf(const TExtStr_rep& call) const;
    // The departments the directory names, each once, in byte order.
    std::vector<std::string> Departments() const;

private:
    std::vector<TDirectoryEntry> Entries_;
    std::string FileName_;
    std::map<std::pair<TDirectoryKey, std::string>, std::vector<std::size_t>, std::less<>> Index;
};

// The key text as the directory holds it: the blanks of a fixed-width column dropped.
std::string_view DirectoryKeyText(std::string_view text);

} // namespace tallyvox::report
