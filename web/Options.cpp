#include "web/Options.h"

#include "cli/Options.h"

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

// What the options must say together, once each has been read.
void CheckTogether(const std::string& listen, TWebOptions& options) {
    if (options.Help) {
        return;
    }
    if (options.Server.CertFile.empty() != options.Server.KeyFile.empty()) {
        throw cli::EUsageError("--cert and --key go together");
    }
    if (!options.HashPassword &&
        (options.CallFile.empty() == !options.Store.has_value() || options.UsersFile.empty())) {
        throw cli::EUsageError("--users and one of --calls and --store are needed");
    }
    if (options.Store && options.AlertRules) {
        throw cli::EUsageError(
            "--alerts: only with --calls (the alert journal is beside the file)");
    }
    if (!SplitListen(listen, options.Server)) {
        throw cli::EUsageError("--listen: expected ADDR:PORT, not \"" + listen + "\"");
    }
}

} // namespace

TWebOptions ParseOptions(const std::vector<std::string>& arguments) {
    TWebOptions options;
    std::string listen = "127.0.0.1:8080";
    cli::TOptionTable(options.Help)
        .Value("--calls", cli::Into(options.CallFile))
        .Value("--store", cli::Into(options.Store))
        .Value("--tariffs", cli::Into(options.Tariffs))
        .Value("--users", cli::Into(options.UsersFile))
        .Value("--directory", cli::Into(options.Directory))
        .Value("--alerts", cli::Into(options.AlertRules))
        .Value("--listen", cli::Into(listen))
        .Value("--cert", cli::Into(options.Server.CertFile))
        .Value("--key", cli::Into(options.Server.KeyFile))
        .Flag("--hash-password", [&options] { options.HashPassword = true; })
        .Walk(arguments);
    CheckTogether(listen, options);
    return options;
}

std::string Usage() {
    return "tallyvox-web: the calls of a call-accounting file or of the store in a browser, each\n"
           "user seeing the calls of their role.\n"
           "Usage: tallyvox-web --calls FILE --users FILE [OPTIONS]\n"
           "       tallyvox-web --store URL --users FILE [OPTIONS]\n"
           "       tallyvox-web --hash-password\n"
           "  --calls FILE       the call-accounting file (read only)\n"
           "  --store URL        the store of many offices (read only): a site user sees their\n"
           "                     site; department and person users need a site too\n"
           "  --tariffs FILE     the tariff table that prices the calls\n"
           "  --users FILE       the users file (TOML, [[user]] tables)\n"
           "  --directory FILE   the office directory: a department user sees its lines' calls\n"
           "  --alerts RULES     the alert rules: the dashboard shows the alerts of today\n"
           "  --listen ADDR:PORT to serve on (default 127.0.0.1:8080)\n"
           "  --cert FILE        serve HTTPS with this certificate (PEM); needs --key\n"
           "  --key FILE         the certificate's private key (PEM); needs --cert\n"
           "  --hash-password    read a password on standard input, print its Argon2id hash\n"
           "                     for the users file\n"
           "  -h, --help         this text\n";
}

} // namespace tallyvox::web
