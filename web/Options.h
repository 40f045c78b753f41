#pragma once
// The options of the tallyvox-web program.

#include <optional>
#include <string>
#include <vector>

#include "web/Server.h"

namespace tallyvox::web {

struct TWebOptions {
    std::string CallFile;
    std::optional<std::string> Store; // the store's connection string, instead of CallFile
    std::optional<std::string> Tariffs;
    std::string UsersFile;
    std::optional<std::string> Directory;
    std::optional<std::string> AlertRules;
    TServerSettings Server;
    bool HashPassword = false;
    bool Help = false;
};

// Reads the options (without the program name); cli::EUsageError for a
// mistake. cli::ReadOptions calls it.
TWebOptions ParseOptions(const std::vector<std::string>& arguments);

std::string Usage();

} // namespace tallyvox::web
