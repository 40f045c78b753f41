#include "alertcli/AlertCommandLine.h"

namespace tallyvox::alertcli {

TAlertOptions ParseAlertCommandLine(const std::vector<std::string>& arguments) {
    TAlertOptions options;
    std::optional<std::string> rules;
    std::optional<std::string> callFile;
    cli::TOptionTable(options.Help)
        .Flag("--once", [&] { options.Once = true; })
        .Value("--alerts", cli::Into(rules))
        .Value("--tariffs", cli::Into(options.Tariffs))
        .Operands([&](const std::string& operand) {
            if (callFile) {
                throw cli::EUsageError("one call file only: " + operand);
            }
            callFile = operand;
        })
        .Walk(arguments);
    if (options.Help) {
        return options;
    }
    if (!rules || !callFile) {
        throw cli::EUsageError("--alerts RULES and a call file are needed");
    }
    options.Rules = *rules;
    options.CallFile = *callFile;
    return options;
}

std::string AlertUsage() {
    return "Usage: tallyvox-alert --alerts RULES [--tariffs TARIFFS] [--once] CALLFILE\n"
           "Judges each call of CALLFILE by the alert rules as it is written, and sends\n"
           "the alerts by the mail and web hook the rules file names. The mark\n"
           "CALLFILE.alerts.mark says how far the file was judged; the alert journal\n"
           "CALLFILE.alerts keeps every alert and its delivery.\n"
           "  --alerts RULES      the rules file (see examples/alerts.toml)\n"
           "  --tariffs TARIFFS   the tariff table, for rules of cost\n"
           "  --once              judge what lies past the mark, deliver, and exit:\n"
           "                      0 all alerts delivered, 1 the call file, its mark or\n"
           "                      the alert journal cannot be read or written, 2 wrong\n"
           "                      options or a refused rules file, 3 alerts kept\n"
           "                      undelivered for the next run\n"
           "Without --once it follows the file until SIGTERM or SIGINT.\n";
}

} // namespace tallyvox::alertcli
