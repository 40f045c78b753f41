#pragma once
// The simulator's logs, for tests and for a program that may run for days:
// each keeps its latest entries only.

#include <cstddef>
#include <utility>
#include <vector>

namespace tallyvox::sim {

// Past this many entries a log drops its older half.
inline constexpr std::size_t LogLimit = std::size_t{1} << 20;

template <typename T> void AppendBounded(std::vector<T>& log, T entry) {
    if (log.size() >= LogLimit) {
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(LogLimit / 2));
    }
    log.push_back(std::move(entry));
}

} // namespace tallyvox::sim
