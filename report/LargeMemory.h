#pragma once
// Large blocks of the call list (its records and its text store) are filled once,
// front to back; the system may back them with large pages, which saves most of
// the page faults of loading a large file.

#include <cstddef>

namespace tallyvox::report {

// A hint only: nothing changes where the system has no large pages.
void AdviseLargeMemory(void* begin, std::size_t size);

} // namespace tallyvox::report
