#pragma once
// The options of the tallyvox-sim program.

#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace tallyvox::sim {

struct TCommandLine {
    TScenario Scenario;
    std::string LinkPath;  // empty: no link
    std::string StateFile; // empty: the buffers start full each run
    bool Help = false;
};

// Reads the options (argv without the program name); EScenarioError with the
// reason for an unknown option, a missing or bad value, or a bad scenario file.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text printed by --help and after a mistake.
std::string Usage();

} // namespace tallyvox::sim
