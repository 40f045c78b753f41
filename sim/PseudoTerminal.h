#pragma once
// A pseudo-terminal pair: the simulator keeps the master end, the host opens the
// slave device like a serial port. Both ends are raw, so no byte is changed,
// echoed or held back.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tallyvox::sim {

class TPseudoTerminal {
public:
    // Opens the pair; throws std::runtime_error with the reason when it cannot.
    TPseudoTerminal();
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    // The master end, non-blocking; -1 once closed.
    int Master() const { return MasterFd; }
    const std::string& SlavePath() const { return Path; }
    // Closes the master end: the host sees the line go away.
    void Close();

private:
    int MasterFd = -1;
    std::string Path;
};

} // namespace tallyvox::sim
