#include "collector/CommandLine.h"

#include <charconv>

namespace tallyvox::collector {
namespace {

constexpr long long LongestRetryMs = 24LL * 3600 * 1000;

std::chrono::milliseconds Milliseconds(const std::string& option, const std::string& text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > LongestRetryMs) {
        throw ECommandLineError(option + ": expected milliseconds from 1 to " +
                                std::to_string(LongestRetryMs) + ", not \"" + text + "\"");
    }
    return std::chrono::milliseconds(value);
}

} // namespace

TCollectOptions ParseCommandLine(const std::vector<std::string>& arguments) {
    TCollectOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                throw ECommandLineError(option + ": a value must follow");
            }
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option == "--dir") {
            options.Dir = value();
        } else if (option == "--port") {
            options.Port = value();
        } else if (option == "--file") {
            options.File = value();
        } else if (option == "--status") {
            options.Status = value();
        } else if (option == "--store") {
            options.Store = value();
        } else if (option == "--site") {
            options.Site = value();
        } else if (option == "--alerts") {
            options.Alerts = value();
        } else if (option == "--tariffs") {
            options.Tariffs = value();
        } else if (option == "--once") {
            options.Once = true;
        } else if (option == "--retry-first") {
            options.RetryFirst = Milliseconds(option, value());
        } else if (option == "--retry-longest") {
            options.RetryLongest = Milliseconds(option, value());
        } else {
            throw ECommandLineError("unknown option \"" + option + "\"");
        }
    }
    if (options.Store.has_value() != options.Site.has_value()) {
        throw ECommandLineError("--store and --site go together");
    }
    if (options.Tariffs && !options.Alerts) {
        throw ECommandLineError("--tariffs: only with --alerts");
    }
    if (options.RetryLongest < options.RetryFirst) {
        throw ECommandLineError("--retry-longest must not be shorter than --retry-first");
    }
    return options;
}

std::string Usage() {
    return "usage: tallyvox-collect [options]\n"
           "Reads the exchange's call records into the call-accounting file without a\n"
           "window, as the window's continuous read does, and goes on when the line\n"
           "fails: it closes the port, waits (1 s, doubling up to 60 s) and tries again.\n"
           "SIGTERM or SIGINT ends it after the record in progress, a second one at once;\n"
           "SIGHUP reopens the call file (after log rotation). Events go to standard\n"
           "error, one a line.\n"
           "  --dir DIR            folder of Tallyvox.cfg and TallyvoxOut.cfg (default .);\n"
           "                       relative file names are taken from there\n"
           "  --port NAME          the port instead of the settings file's: COM1..COM8 or a\n"
           "                       device path (best /dev/serial/by-id/...)\n"
           "  --file FILE          the call-accounting file instead of TARIF_FNAME=\n"
           "  --status FILE        keep a JSON status file (exchange, last contact, records\n"
           "                       today, lines held in memory), rewritten atomically;\n"
           "                       a regular file only (a symbolic link is followed)\n"
           "  --once               a single read, then exit (for cron)\n"
           "  --store URL          send every call to a PostgreSQL store as well (a\n"
           "                       connection string); the call file is the spool, and\n"
           "                       FILE.store keeps how far it was delivered\n"
           "  --site NAME          this office's name in the store (with --store)\n"
           "  --alerts RULES       judge each call by the alert rules (TOML) as it is\n"
           "                       written; each alert is a log line at the rule's level,\n"
           "                       and is sent by the rules' [mail] and [webhook] from\n"
           "                       the alert journal FILE.alerts\n"
           "  --tariffs FILE       the tariff table that rules with min_cost or\n"
           "                       daily_cost need (with --alerts)\n"
           "  --retry-first MS     first wait before trying the line again (default 1000)\n"
           "  --retry-longest MS   longest wait between tries (default 60000)\n"
           "Beside the call file, FILE.coverage records when capture ran and why not.\n"
           "Exit statuses:\n"
           "  0   done: every record read (--once), or stopped by a signal\n"
           "  2   bad options\n"
           "  3   an exchange refused selection (--once)\n"
           "  4   the exchange did not answer, or the port could not be opened (--once);\n"
           "      no port configured\n"
           "  5   the exchange stopped answering during the read (--once); calls may\n"
           "      still wait in it\n"
           "  6   no call file configured, or it cannot be appended to: the calls not\n"
           "      read stay in the exchange\n"
           "  7   lines the call file did not take were saved to a rescue file in DIR\n"
           "  8   lines could not be saved even there; they were printed on stderr\n"
           "  9   the read stopped on an unexpected error (--once)\n"
           "  10  the port is held by another program (--once)\n";
}

} // namespace tallyvox::collector
