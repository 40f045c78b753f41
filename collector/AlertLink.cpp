#include "collector/AlertLink.h"

#include <array>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "alerts/Evaluator.h"
#include "alerts/ExchangeWatch.h"
#include "alerts/RulesReader.h"
#include "exchange/FilePath.h"
#include "report/Load.h"
#include "report/TariffReader.h"
#include "text/Cp1251.h"

namespace tallyvox::collector {

namespace {

report::TDateTime DateTimeOf(const TCalendarTime& time) {
    return {static_cast<std::uint16_t>(time.Year),  static_cast<std::uint8_t>(time.Month),
            static_cast<std::uint8_t>(time.Day),    static_cast<std::uint8_t>(time.Hour),
            static_cast<std::uint8_t>(time.Minute), static_cast<std::uint8_t>(time.Second)};
}

class TRulesLink : public TAlertLink {
public:
    TRulesLink(alerts::TRules rules, report::TTariffTable tariffs, const TCalendarTime& now,
               TLog& log)
        : Evaluator(std::move(rules)), Watch(Evaluator.Rules(), DateTimeOf(now)),
          Tariffs(std::move(tariffs)), Log(log),
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

    void Contact(const TCalendarTime& now) override { Watch.Contact(DateTimeOf(now)); }

    void NoContact(const TCalendarTime& now) override { Raise(Watch.Silence(DateTimeOf(now))); }

    void BufferFill(int fill, int capacity) override { Raise(Watch.Buffer(fill, capacity)); }

private:
    void Judge(const report::TExtStr_rep& call) {
        const report::TCents cost = Tariffs.Empty() ? 0 : Tariffs.Cost(call).Cost;
        const std::string line = text::Cp1251ToUtf8(std::string(Reader.CurrentLine()));
        Lines[Number % Lines.size()] = line;
        for (const alerts::TFiring& firing : Evaluator.Add(Number, call, cost)) {
            Raise(firing.Rule, LineOf(firing.Call));
        }
        ++Number;
    }

    void Raise(const std::vector<alerts::TStateFiring>& firings) {
        for (const alerts::TStateFiring& firing : firings) {
            Raise(firing.Rule, firing.What);
        }
    }

    // The one way out of a firing, of a call (what: its line) or of the
    // exchange's state (what: the state seen).
    void Raise(std::size_t ruleIndex, const std::string& what) {
        const alerts::TRule& rule = Evaluator.Rules().Rules[ruleIndex];
        const bool critical = rule.Level == alerts::TLevel::Critical;
        Log.Write(critical ? TLevel::Critical : TLevel::Warning,
                  "alert: " + rule.Name + ": " + what);
    }

    // The line of a recent call by its number; a burst names at most its window.
    std::string LineOf(std::uint64_t number) const {
        return Number - number < Lines.size() ? Lines[number % Lines.size()]
                                              : "(call " + std::to_string(number) + ")";
    }

    alerts::TAlertEvaluator Evaluator;
    alerts::TExchangeWatch Watch; // on Evaluator's rules
    report::TTariffTable Tariffs;
    TLog& Log;
    report::TCallReader Reader;
    std::array<std::string, 1024> Lines; // the latest calls' lines, by number
    std::uint64_t Number = 0;
};

} // namespace

std::unique_ptr<TAlertLink> StartAlertLink(const std::string& rulesFile,
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
    auto link = std::make_unique<TRulesLink>(std::move(rules), std::move(table),
                                             TSystemClock().LocalNow(), log);
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
