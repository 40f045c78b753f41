#pragma once
// The options of the tallyvox-collect program.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace tallyvox::collector {

// A mistake in the options; the program shows it with the usage and exits with 2.
using ECommandLineError = cli::EUsageError;

struct TCollectOptions {
    std::string Dir = ".";              // the folder of the two configuration files
    std::optional<std::string> Port;    // instead of the settings file's port
    std::optional<std::string> File;    // instead of the output configuration's file
    std::optional<std::string> Status;  // the status file, none when not asked for
    std::optional<std::string> Store;   // the PostgreSQL store the calls go to as well
    std::optional<std::string> Site;    // this office's name in the store
    std::optional<std::string> Alerts;  // the alert rules each call is judged by
    std::optional<std::string> Tariffs; // the tariff table that rules of cost need
    bool Once = false;
    std::chrono::milliseconds RetryFirst{1000};
    std::chrono::milliseconds RetryLongest{60000};
    bool Help = false;
};

// Reads the options (argv without the program name); ECommandLineError with the
// reason for an unknown option or a missing or bad value.
TCollectOptions ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text printed by --help and after a mistake, with the exit statuses.
std::string Usage();

} // namespace tallyvox::collector
