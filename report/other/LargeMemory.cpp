#include "report/LargeMemory.h"

namespace tallyvox::report {

void AdviseLargeMemory(void*, std::size_t) {}

} // namespace tallyvox::report
