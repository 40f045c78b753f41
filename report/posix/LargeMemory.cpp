#include "report/LargeMemory.h"

#include <cstdint>
#include <sys/mman.h>

namespace tallyvox::report {

namespace {

constexpr std::uintptr_t LargePage = std::uintptr_t{2} << 20;

} // namespace

void AdviseLargeMemory(void* begin, std::size_t size) {
    const auto first = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t alignedFirst = (first + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t alignedEnd = (first + size) & ~(LargePage - 1);
    if (alignedEnd > alignedFirst) {
        madvise(reinterpret_cast<void*>(alignedFirst), alignedEnd - alignedFirst, MADV_HUGEPAGE);
    }
}

} // namespace tallyvox::report
