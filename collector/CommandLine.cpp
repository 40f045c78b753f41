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
    auto milliseconds = [](std::chrono::milliseconds& target) {
        return [&target](const std::string& option, const std::string& value) {
            target = Milliseconds(option, value);
        };
    };
    cli::TOptionTable(options.Help)
        .Value("--dir", cli::Into(options.Dir))
        .Value("--port", cli::Into(options.Port))
        .Value("--file", cli::Into(options.File))
        .Value("--status", cli::Into(options.Status))
        .Value("--store", cli::Into(options.Store))
        .Value("--site", cli::Into(options.Site))
        .Value("--alerts", cli::Into(options.Alerts))
        .Value("--tariffs", cli::Into(options.Tariffs))
        .Flag("--once", [&] { options.Once = true; })
        .Value("--retry-first", milliseconds(options.RetryFirst))
        .Value("--retry-longest", milliseconds(options.RetryLongest))
        .Walk(arguments);
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
           "                       written; each alert is a log line at the rule's level\n"
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
