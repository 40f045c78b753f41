#include "reportcli/AlertsRun.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <vector>

#include "alerts/Evaluator.h"
#include "alerts/RulesReader.h"
#include "report/FileBlocks.h"
#include "report/Load.h"
#include "reportcli/Run.h"

namespace tallyvox::reportcli {

namespace {

constexpr const char* Program = "tallyvox-report: ";

bool ReadRules(const std::string& fileName, alerts::TRules& rules, std::ostream& err) {
    try {
        rules = alerts::ReadRulesFile(fileName);
        return true;
    } catch (const alerts::ERulesError& error) {
        err << Program << fileName << " is refused:\n" << error.what();
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << fileName << ": " << error.code().message() << "\n";
    }
    return false;
}

bool Before(const report::TPeriod& period, const report::TDateTime& start) {
    return period.From && report::SecondsOf(start) < report::SecondsOf(*period.From);
}

} // namespace

int CheckAlerts(const std::string& rulesFile, std::FILE* out, std::ostream& err) {
    alerts::TRules rules;
    if (!ReadRules(rulesFile, rules, err)) {
        return 1;
    }
    const std::string done =
        rulesFile + ": " + std::to_string(rules.Rules.size()) + " rules, no faults\n";
    return std::fputs(done.c_str(), out) >= 0 ? 0 : 1;
}

int PrintAlerts(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
                std::ostream& err) {
    alerts::TRules rules;
    if (!ReadRules(*options.Alerts, rules, err)) {
        return 1;
    }
    report::TTariffTable table;
    if (options.Tariffs && !ReadTariffs(*options.Tariffs, table, err)) {
        return 1;
    }
    if (rules.NeedsCosts() && !options.Tariffs) {
        err << Program << *options.Alerts << ": rules with min_cost or daily_cost need --tariffs\n";
        return 1;
    }
    alerts::TAlertEvaluator evaluator(std::move(rules));
    std::vector<std::string> lines; // of the period's calls, by their numbers
    bool written = true;
    std::optional<report::TCallReader> reader;
    reader.emplace([&](const report::TExtStr_rep& call) {
        if (Before(period, call.Start)) {
            evaluator.Remember(call);
            return;
        }
        if (!period.Holds(call.Start)) {
            return;
        }
        lines.emplace_back(reader->CurrentLine());
        const report::TCents cost = table.Empty() ? 0 : table.Cost(call).Cost;
        for (const alerts::TFiring& firing : evaluator.Add(lines.size() - 1, call, cost)) {
            const std::string text =
                evaluator.Rules().Rules[firing.Rule].Name + "\t" + lines[firing.Call] + "\n";
            written = written && std::fputs(text.c_str(), out) >= 0;
        }
    });
    try {
        report::ReadFileBlocks(options.CallFile, 0, UINT64_MAX,
                               [&](std::string_view bytes) { reader->Feed(bytes); });
        reader->Finish();
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << options.CallFile << ": " << error.code().message()
            << "\n";
        return 1;
    }
    if (!written || std::fflush(out) != 0) {
        err << Program << "cannot write to standard output: " << std::strerror(errno) << "\n";
        return 1;
    }
    return 0;
}

} // namespace tallyvox::reportcli
