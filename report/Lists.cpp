#include "report/Lists.h"

#include <algorithm>
#include <cstring>

#include "report/LargeMemory.h"

namespace tallyvox::report {

namespace {

// Texts are stored in blocks that double from the first size to the last, so
// that a small file takes little memory and a large one few blocks; a longer
// text gets a block of its own.
constexpr std::size_t FirstStoreBlock = std::size_t{64} << 10;
constexpr std::size_t LastStoreBlock = std::size_t{8} << 20;

} // namespace

void TCallList::Append(const TExtStr_rep& call) {
    TExtStr_rep stored = call;
    stored.HardwareLine = Store(call.HardwareLine);
    stored.ProgramNumber = Store(call.ProgramNumber);
    stored.Trunk = Store(call.Trunk);
    stored.DialledNumber = Store(call.DialledNumber);
    Items.push_back(stored);
}

void TCallList::Reserve(std::size_t calls) {
    Items.reserve(calls);
    AdviseLargeMemory(Items.data(), Items.capacity() * sizeof(TExtStr_rep));
}

TCallList& TCallList::operator=(TCallList&& other) noexcept {
    Items = std::exchange(other.Items, {});
    Blocks = std::exchange(other.Blocks, {});
    Free = std::exchange(other.Free, nullptr);
    FreeSize = std::exchange(other.FreeSize, 0);
    BlockSize = std::exchange(other.BlockSize, 0);
    LineCount_ = std::exchange(other.LineCount_, 0);
    return *this;
}

void TCallList::Splice(TCallList&& later) {
    if (Items.empty()) {
        const std::size_t lineCount = LineCount_ + later.LineCount_;
        *this = std::move(later);
        LineCount_ = lineCount;
        return;
    }
    Items.insert(Items.end(), later.Items.begin(), later.Items.end());
    // The texts stay where they are: their blocks change owner only.
    for (auto& block : later.Blocks) {
        Blocks.push_back(std::move(block));
    }
    LineCount_ += later.LineCount_;
    later.Clear();
}

void TCallList::Clear() {
    Items.clear();
    Blocks.clear();
    Free = nullptr;
    FreeSize = 0;
    BlockSize = 0;
    LineCount_ = 0;
}

char* TCallList::Room(std::size_t size) {
    if (size > FreeSize) {
        const std::size_t nextSize =
            Blocks.empty() ? FirstStoreBlock : std::min(LastStoreBlock, BlockSize * 2);
        const std::size_t blockSize = std::max(size, nextSize);
        BlockSize = nextSize;
        Blocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        AdviseLargeMemory(Blocks.back().get(), blockSize);
        Free = Blocks.back().get();
        FreeSize = blockSize;
    }
    return Free;
}

std::string_view TCallList::Store(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    char* room = Room(text.size());
    std::memcpy(room, text.data(), text.size());
    Free += text.size();
    FreeSize -= text.size();
    return {room, text.size()};
}

std::string_view TCallList::StoreWithoutBlanks(std::string_view text) {
    if (text.find(' ') == std::string_view::npos) {
        return Store(text);
    }
    char* room = Room(text.size());
    std::size_t size = 0;
    for (const char c : text) {
        if (c != ' ') {
            room[size++] = c;
        }
    }
    Free += size;
    FreeSize -= size;
    return {room, size};
}

const TAL_rep* FindLine(const TLineList& lines, std::string_view key) {
    return lines.Find(key);
}

const TSL_rep* FindTrunk(const TTrunkList& trunks, std::string_view key) {
    return trunks.Find(key);
}

} // namespace tallyvox::report
