#include "web/Options.h"

#include <CLI/CLI.hpp>

namespace tallyvox::web {

namespace {

// "ADDR:PORT" or "[IPv6]:PORT"; port 0 takes any free one.
bool SplitListen(const std::string& text, TServerSettings& server) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size() || colon > 255) {
        return false;
    }
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const std::string port = text.substr(colon + 1);
    if (host.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535) {
        return false;
    }
    server.Host = host;
    server.Port = std::stoi(port);
    return true;
}

} // namespace

std::optional<TWebOptions> ParseOptions(int argc, const char* const* argv, int& exitStatus) {
    TWebOptions options;
    CLI::App app{"tallyvox-web: the calls of a call-accounting file in a browser, each user "
                 "seeing the calls of their role.",
                 "tallyvox-web"};
    std::string listen = "127.0.0.1:8080";
    app.add_option("--calls", options.CallFile, "the call-accounting file (read only)");
    app.add_option("--tariffs", options.Tariffs, "the tariff table that prices the calls");
    app.add_option("--users", options.UsersFile, "the users file (TOML, [[user]] tables)");
    app.add_option("--listen", listen, "ADDR:PORT to serve on (default 127.0.0.1:8080)");
    auto* cert = app.add_option("--cert", options.Server.CertFile,
                                "serve HTTPS with this certificate (PEM)");
    auto* key =
        app.add_option("--key", options.Server.KeyFile, "the certificate's private key (PEM)");
    cert->needs(key);
    key->needs(cert);
    app.add_flag("--hash-password", options.HashPassword,
                 "read a password on standard input, print its Argon2id hash for the users file");
    try {
        app.parse(argc, argv);
        if (!options.HashPassword && (options.CallFile.empty() || options.UsersFile.empty())) {
            throw CLI::ValidationError("--calls and --users are needed");
        }
        if (!SplitListen(listen, options.Server)) {
            throw CLI::ValidationError("--listen: expected ADDR:PORT, not \"" + listen + "\"");
        }
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        exitStatus = status == 0 ? 0 : BadOptions;
        return std::nullopt;
    }
    return options;
}

} // namespace tallyvox::web
