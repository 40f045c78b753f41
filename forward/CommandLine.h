#pragma once
// The options of tallyvox-forward, which sends a call file to the store by
// itself (for a call file that the window or another program writes).

#include <optional>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "store/Forwarder.h"

namespace tallyvox::store {

// A mistake in the options; the program shows it with the usage and exits with 2.
using EForwardCommandLineError = cli::EUsageError;

struct TForwardOptions {
    TForwarderSettings Settings;
    std::optional<std::string> SerialNumber; // none: the one kept in the mark
    bool Once = false;
    bool Help = false;
};

// Reads the options (argv without the program name).
TForwardOptions ParseForwardCommandLine(const std::vector<std::string>& arguments);

std::string ForwardUsage();

} // namespace tallyvox::store
