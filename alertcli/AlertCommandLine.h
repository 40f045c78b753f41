#pragma once
// The options of tallyvox-alert.

#include <optional>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace tallyvox::alertcli {

struct TAlertOptions {
    std::string Rules;
    std::optional<std::string> Tariffs;
    std::string CallFile;
    bool Once = false;
    bool Help = false;
};

// Reads the options (argv without the program name); cli::EUsageError for a
// mistake.
TAlertOptions ParseAlertCommandLine(const std::vector<std::string>& arguments);

std::string AlertUsage();

} // namespace tallyvox::alertcli
