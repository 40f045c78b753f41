#include "collector/AlertLink.h"

#include <array>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "alerts/Evaluator.h"
#include "alerts/RulesReader.h"
#include "model/FilePath.h"
#include "report/Load.h"
#include "report/TariffReader.h"
#include "text/Cp1251.h"

namespace tallyvox::collector {

namespace {

class TAlertLink : public callfile::TAppendObserver {
public:
    TAlertLink(alerts::TRules rules, report::TTariffTable tariffs, TLog& log)
        : Evaluator(std::move(rules)), Tariffs(std::move(tariffs)), Log(log),
          Reader([this](const report::TExtStr_rep& call) { Judge(call); }) {}

    // The calls already in the file only teach the rules which prefixes were dialled.
    void Remember(const std::string& path) {
        std::error_code missing;
        if (!std::filesystem::exists(path, missing)) {
            return;
        }
        report::ReadCallFile(path,
                             [this](const report::TExtStr_rep& call) { Evaluator.Remember(call); });
    }

    void LineAppended(const std::string&, const std::string& line, std::uintmax_t) override {
        Reader.Feed(line);
        Reader.Feed("\r\n");
    }

private:
    void Judge(const report::TExtStr_rep& call) {
        const report::TCents cost = Tariffs.Empty() ? 0 : Tariffs.Cost(call).Cost;
        const std::string line = text::Cp1251ToUtf8(std::string(Reader.CurrentLine()));
        Lines[Number % Lines.size()] = line;
        for (const alerts::TFiring& firing : Evaluator.Add(Number, call, cost)) {
            const alerts::TRule& rule = Evaluator.Rules().Rules[firing.Rule];
            const bool critical = rule.Level == alerts::TLevel::Critical;
            Log.Write(critical ? TLevel::Critical : TLevel::Warning,
                      "alert: " + rule.Name + ": " + LineOf(firing.Call));
        }
        ++Number;
    }

    // The line of a recent call by its number; a burst names at most its window.
    std::string LineOf(std::uint64_t number) const {
        return Number - number < Lines.size() ? Lines[number % Lines.size()]
                                              : "(call " + std::to_string(number) + ")";
    }

    alerts::TAlertEvaluator Evaluator;
    report::TTariffTable Tariffs;
    TLog& Log;
    report::TCallReader Reader;
    std::array<std::string, 1024> Lines; // the latest calls' lines, by number
    std::uint64_t Number = 0;
};

} // namespace

std::unique_ptr<callfile::TAppendObserver> StartAlertLink(const std::string& rulesFile,
                                                          const std::optional<std::string>& tariffs,
                                                          const std::string& callFile, TLog& log) {
    alerts::TRules rules;
    try {
        rules = alerts::ReadRulesFile(rulesFile);
    } catch (const alerts::ERulesError& error) {
        throw std::runtime_error(rulesFile + " is refused:\n" + error.what());
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + rulesFile + ": " + error.code().message());
    }
    report::TTariffTable table;
    if (tariffs) {
        try {
            table = report::ReadTariffFile(*tariffs);
        } catch (const report::ETariffError& error) {
            throw std::runtime_error(*tariffs + " is refused:\n" + error.what());
        } catch (const std::system_error& error) {
            throw std::runtime_error("cannot read " + *tariffs + ": " + error.code().message());
        }
    } else if (rules.NeedsCosts()) {
        throw std::runtime_error(rulesFile + ": rules with min_cost or daily_cost need --tariffs");
    }
    const std::size_t count = rules.Rules.size();
    auto link = std::make_unique<TAlertLink>(std::move(rules), std::move(table), log);
    try {
        link->Remember(FilePathOfText(callFile).string());
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + text::Cp1251ToUtf8(callFile) + ": " +
                                 error.code().message());
    }
    log.Write(TLevel::Info, "alerts: " + std::to_string(count) + " rules from " + rulesFile);
    return link;
}

} // namespace tallyvox::collector
