#pragma once
// The three lists of the report: the calls of a loaded file, and the line and
// trunk totals built from them. Each gives its entries by position in list order,
// so a view can show a million calls without copying them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/Types.h"

namespace tallyvox::report {

// An ordered list of records with their count and access by position.
template <class TRecordType> class TStrList_rep {
public:
    std::size_t Count() const { return Items.size(); }
    bool Empty() const { return Items.empty(); }
    const TRecordType& operator[](std::size_t index) const { return Items[index]; }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

protected:
    std::vector<TRecordType> Items;
};

// The calls of one call-accounting file, in file order. The list owns the text
// bytes its calls point into (kept in large blocks, not one allocation per field),
// so it moves but does not copy.
class TCallList : public TStrList_rep<TExtStr_rep> {
public:
    TCallList() = default;
    // A list moved from is empty.
    TCallList(TCallList&& other) noexcept { *this = std::move(other); }
    TCallList& operator=(TCallList&& other) noexcept;
    TCallList(const TCallList&) = delete;
    TCallList& operator=(const TCallList&) = delete;

    // The lines of the file that were 30 characters or longer: header lines and
    // lines that did not parse included (the figure after "Кол-во строк: ").
    std::size_t LineCount() const { return LineCount_; }

    // Building a list (the loader, and tests that make calls by hand). The texts
    // of call are copied into the list's store; blanks are kept as given.
    void Append(const TExtStr_rep& call);
    void Reserve(std::size_t calls);
    void SetLineCount(std::size_t count) { LineCount_ = count; }
    void Clear();
    // Copies text into the store; the view stays valid for the life of the list.
    std::string_view Store(std::string_view text);
    // As Store, without the blanks of text.
    std::string_view StoreWithoutBlanks(std::string_view text);
    // Appends a call whose texts already are in this list's store.
    void AppendStored(const TExtStr_rep& call) { Items.push_back(call); }
    // Appends the calls of later, which takes its store along (no text is
    // copied) and is left empty; the line counts add up.
    void Splice(TCallList&& later);

private:
    char* Room(std::size_t size);

    std::vector<std::unique_ptr<char[]>> Blocks;
    char* Free = nullptr;
    std::size_t FreeSize = 0;
    std::size_t BlockSize = 0; // of the last block, unless a text needed a larger one
    std::size_t LineCount_ = 0;
};

// Totals keyed by a text, in the order of first appearance until sorted. The
// look-up goes through a hash index, so building the totals of a large file costs
// one look-up per call, not a scan of the list.
template <class TRecordType> class TTotalsList : public TStrList_rep<TRecordType> {
public:
    // The entry whose key equals key exactly (length and bytes), or nullptr.
    const TRecordType* Find(std::string_view key) const;
    TRecordType* Find(std::string_view key);
    // Appends a new entry; its key must not be in the list yet.
    TRecordType& Append(TRecordType record);
    void Reserve(std::size_t entries) { this->Items.reserve(entries); }
    void Clear();
    // Reorders the entries stably by less; the index follows.
    template <class TLess> void StableSort(TLess less);

private:
    std::size_t Slot(std::string_view key) const;
    void Reindex();

    // Open addressing: each slot holds an entry's position + 1, or 0 when free;
    // at most half of the slots are in use.
    std::vector<std::uint32_t> Slots;
};

using TLineList = TTotalsList<TAL_rep>;
using TTrunkList = TTotalsList<TSL_rep>;

// The line whose HardwareLine equals key, or nullptr (every hardware text is
// three characters, so " 12" never stands for "123").
const TAL_rep* FindLine(const TLineList& lines, std::string_view key);
// The trunk whose Trunk has the same bytes as key (case-sensitive, no trimming).
const TSL_rep* FindTrunk(const TTrunkList& trunks, std::string_view key);

// ---- the totals lists' templates ----

inline std::string_view KeyOf(const TAL_rep& line) {
    return line.HardwareLine;
}
inline std::string_view KeyOf(const TSL_rep& trunk) {
    return trunk.Trunk;
}

// FNV-1a: the keys are a few bytes long, so a simple hash is the fastest.
inline std::size_t KeyHash(std::string_view key) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 29));
}

// Keys are a few bytes long: compared here rather than through a library call.
inline bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

// The slot of key: the one that holds it, or the free one where it would go.
template <class TRecordType>
std::size_t TTotalsList<TRecordType>::Slot(std::string_view key) const {
    const std::size_t mask = Slots.size() - 1;
    std::size_t slot = KeyHash(key) & mask;
    while (Slots[slot] != 0 && !SameKey(KeyOf(this->Items[Slots[slot] - 1]), key)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

template <class TRecordType>
const TRecordType* TTotalsList<TRecordType>::Find(std::string_view key) const {
    if (Slots.empty()) {
        return nullptr;
    }
    const std::uint32_t found = Slots[Slot(key)];
    return found == 0 ? nullptr : &this->Items[found - 1];
}

template <class TRecordType> TRecordType* TTotalsList<TRecordType>::Find(std::string_view key) {
    return const_cast<TRecordType*>(std::as_const(*this).Find(key));
}

template <class TRecordType> TRecordType& TTotalsList<TRecordType>::Append(TRecordType record) {
    TRecordType& appended = this->Items.emplace_back(std::move(record));
    if (this->Items.size() * 2 > Slots.size()) {
        Reindex();
    } else {
        Slots[Slot(KeyOf(appended))] = static_cast<std::uint32_t>(this->Items.size());
    }
    return appended;
}

template <class TRecordType> void TTotalsList<TRecordType>::Clear() {
    this->Items.clear();
    Slots.clear();
}

template <class TRecordType>
template <class TLess>
void TTotalsList<TRecordType>::StableSort(TLess less) {
    std::stable_sort(this->Items.begin(), this->Items.end(), less);
    Reindex();
}

template <class TRecordType> void TTotalsList<TRecordType>::Reindex() {
    std::size_t size = 64;
    while (size < this->Items.size() * 4) {
        size *= 2;
    }
    Slots.assign(size, 0);
    for (std::size_t i = 0; i < this->Items.size(); ++i) {
        Slots[Slot(KeyOf(this->Items[i]))] = static_cast<std::uint32_t>(i + 1);
    }
}

} // namespace tallyvox::report
