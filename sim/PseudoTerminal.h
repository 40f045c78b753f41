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
    // Drops what waits in the device for a host to read.
    void FlushTowardsHost();
    // Ends a host's exclusive hold of the device. A serial port's hold ends when
    // it is closed; a pseudo-terminal's outlives the close, and only the super-user
    // could then open the device again.
    void ReleaseExclusive();
    // Closes both ends: the host sees the line go away.
    void Close();

private:
    int MasterFd = -1;
    // The device end, held open by the simulator itself so that it can reach the
    // device's settings whoever else has it open; no byte is read from it.
    int KeeperFd = -1;
    std::string Path;
};

} // namespace tallyvox::sim
