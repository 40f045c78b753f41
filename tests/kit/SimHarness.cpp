#include "tests/kit/SimHarness.h"

#include <cstdlib>
#include <utility>

namespace tallyvox::testkit {

TSimHarness::TSimHarness(sim::TScenario scenario) : Simulator(std::move(scenario)) {
    Simulator.Start();
}

TSimHarness::~TSimHarness() {
    Simulator.Stop();
    for (const auto& [name, previous] : SavedEnvironment) {
        if (previous) {
            setenv(name.c_str(), previous->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
}

std::string TSimHarness::MapPort(int n) {
    const std::string port = "COM" + std::to_string(n);
    const std::string variable = "TALLYVOX_" + port;
    if (SavedEnvironment.find(variable) == SavedEnvironment.end()) {
        const char* previous = std::getenv(variable.c_str());
        SavedEnvironment[variable] = previous ? std::optional<std::string>(previous) : std::nullopt;
    }
    setenv(variable.c_str(), DevicePath().c_str(), 1);
    return port;
}

} // namespace tallyvox::testkit
