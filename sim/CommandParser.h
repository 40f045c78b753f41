#pragma once
// Splits the bytes from the host into commands. Anything that cannot start or
// continue a command is garbage: dropped one byte at a time, and the byte that
// broke a half-received command is read again as a possible command start.

#include <cstdint>
#include <vector>

#include "sim/Simulator.h"

namespace tallyvox::sim {

struct TCommand {
    TCommandKind Kind = TCommandKind::Garbage;
    std::vector<std::uint8_t> Bytes;
};

class TCommandParser {
public:
    // Takes one byte; appends every command it completes to `done`.
    void Feed(std::uint8_t byte, std::vector<TCommand>& done);
    // Gives up a half-received command (the host went quiet) as garbage.
    void Abandon(std::vector<TCommand>& done);
    bool MidCommand() const { return !Partial.empty(); }

private:
    bool Continues(std::uint8_t byte) const;
    void Start(std::uint8_t byte, std::vector<TCommand>& done);
    void CompleteIfWhole(std::vector<TCommand>& done);

    std::vector<std::uint8_t> Partial;
};

} // namespace tallyvox::sim
