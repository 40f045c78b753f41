#include "report/Directory.h"

#include <algorithm>
#include <set>

#include "report/Period.h"

namespace tallyvox::report {

TDirectory::TDirectory(std::vector<TDirectoryEntry> entries, std::string fileName)
    : Entries_(std::move(entries)), FileName_(std::move(fileName)) {
    for (std::size_t i = 0; i < Entries_.size(); ++i) {
        Index[{Entries_[i].Kind, Entries_[i].Key}].push_back(i);
    }
}

const TDirectoryEntry* TDirectory::Find(TDirectoryKey kind, std::string_view key,
                                        const TDateTime& when) const {
    const auto found = Index.find(std::make_pair(kind, std::string(DirectoryKeyText(key))));
    if (found == Index.end()) {
        return nullptr;
    }
    const std::int64_t second = SecondsOf(when);
    for (const std::size_t i : found->second) {
        if (Entries_[i].Holds(second)) {
            return &Entries_[i];
        }
    }
    return nullptr;
}

const TDirectoryEntry* TDirectory::PersonOf(const TExtStr_rep& call) const {
    if (const TDirectoryEntry* byLine = Find(TDirectoryKey::Line, call.HardwareLine, call.Start)) {
        return byLine;
    }
    if (call.ProgramNumber.empty()) {
        return nullptr;
    }
    return Find(TDirectoryKey::Number, call.ProgramNumber, call.Start);
}

std::vector<std::string> TDirectory::Departments() const {
    std::set<std::string> names;
    for (const TDirectoryEntry& entry : Entries_) {
        if (entry.Kind != TDirectoryKey::Trunk) {
            names.insert(entry.Department);
        }
    }
    return {names.begin(), names.end()};
}

std::string_view DirectoryKeyText(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace tallyvox::report
