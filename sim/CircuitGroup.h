#pragma once
// Circuits of one exchange, its trunks or its extension lines: each carries one
// call at a time, and after a call it is released for a moment before it can be
// seized again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallyvox::sim {

class TCircuitGroup {
public:
    // A circuit stays seized this long after its call ends; it is also at least
    // the exchange's usual time tick, so calls that follow one another on a
    // circuit never overlap once their times are stored in whole ticks.
    static constexpr std::int64_t ReleaseSeconds = 6;

    explicit TCircuitGroup(std::vector<std::uint8_t> codes);

    std::size_t Size() const { return Codes.size(); }
    std::uint8_t Code(std::size_t circuit) const { return Codes[circuit]; }
    // The circuits free at the second, in their order.
    std::vector<std::size_t> FreeAt(std::int64_t second) const;
    // The first second at which the circuit is free.
    std::int64_t FreeFrom(std::size_t circuit) const { return FreeSince[circuit]; }
    // The first second at which some circuit is free.
    std::int64_t EarliestFree() const;
    // The circuit that is free first (of equal ones, the first).
    std::size_t FirstFreed() const;
    // The circuit carries a call that ends at the second.
    void Seize(std::size_t circuit, std::int64_t callEnd);
    // Every circuit free from the start of time.
    void ReleaseAll();

private:
    std::vector<std::uint8_t> Codes;
    std::vector<std::int64_t> FreeSince; // per circuit
};

} // namespace tallyvox::sim
