#pragma once
// The options of the tallyvox-web program.

#include <optional>
#include <string>
#include <vector>

#include "web/Server.h"

namespace tallyvox::web {

struct TWebOptions {
    std::string CallFile;
    std::optional<std::string> Tariffs;
    std::string UsersFile;
    TServerSettings Server;
    bool HashPassword = false;
};

// The exit status of a mistake in the options.
constexpr int BadOptions = 2;

// Reads the options (argv with the program name); on --help or a mistake the
// usage or the reason is printed and the exit status returned instead.
std::optional<TWebOptions> ParseOptions(int argc, const char* const* argv, int& exitStatus);

} // namespace tallyvox::web
