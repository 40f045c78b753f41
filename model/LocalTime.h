#pragma once
// The computer's local calendar time of a moment, by the platform's thread-safe
// conversion (one file per platform).

#include <ctime>

namespace tallyvox {

std::tm LocalTimeOf(std::time_t moment);

} // namespace tallyvox
