#include "tests/kit/SimHarness.h"

#include <utility>

namespace tallyvox::testkit {

TSimHarness::TSimHarness(sim::TScenario scenario) : Simulator(std::move(scenario)) {
    Simulator.Start();
}

TSimHarness::~TSimHarness() {
    Simulator.Stop();
}

std::string TSimHarness::MapPort(int n) {
    const std::string port = "COM" + std::to_string(n);
    Environment.Set("TALLYVOX_" + port, DevicePath());
    return port;
}

} // namespace tallyvox::testkit
