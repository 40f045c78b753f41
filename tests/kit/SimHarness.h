#pragma once
// The exchange simulator running in-process for one test, and the mapping of a
// "COMn" port name onto its pseudo-terminal.

#include <string>

#include "sim/Scenario.h"
#include "sim/Simulator.h"
#include "tests/kit/ScopedEnvironment.h"

namespace tallyvox::testkit {

class TSimHarness {
public:
    // Starts a simulator of the scenario (default: one "Arden-L1" exchange, no
    // calls) on a fresh pseudo-terminal. Throws std::runtime_error when it cannot.
    explicit TSimHarness(sim::TScenario scenario = sim::TScenario{});
    // Stops the simulator and restores every TALLYVOX_COMn that MapPort changed.
    ~TSimHarness();
    TSimHarness(const TSimHarness&) = delete;
    TSimHarness& operator=(const TSimHarness&) = delete;

    // The running simulator: its logs, run-time faults and added calls.
    sim::TSimulator& Sim() { return Simulator; }
    // The pseudo-terminal device that the host opens.
    const std::string& DevicePath() const { return Simulator.DevicePath(); }
    // Sets TALLYVOX_COMn to the device, so the port name "COMn" reaches the
    // simulator; returns that name ("COM1" for n = 1).
    std::string MapPort(int n);

private:
    sim::TSimulator Simulator;
    TScopedEnvironment Environment;
};

} // namespace tallyvox::testkit
