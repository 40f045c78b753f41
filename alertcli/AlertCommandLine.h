#pragma once
// The options of tallyvox-alert.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallyvox::alertcli {

// A mistake in the options; the program shows it with the usage and exits with 2.
class EAlertCommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TAlertOptions {
    std::string Rules;
    std::optional<std::string> Tariffs;
    std::string CallFile;
    bool Once = false;
    bool Help = false;
};

// Reads the options (argv without the program name).
TAlertOptions ParseAlertCommandLine(const std::vector<std::string>& arguments);

std::string AlertUsage();

} // namespace tallyvox::alertcli
