#include "alerts/LineJudge.h"

#include <stdexcept>
#include <system_error>

#include "alerts/RulesReader.h"
#include "report/TariffReader.h"
#include "text/Cp1251.h"

namespace tallyvox::alerts {

TLineJudge::TLineJudge(TRules rules, report::TTariffTable tariffs)
    : Evaluator(std::move(rules)), Tariffs(std::move(tariffs)),
      Reader([this](const report::TExtStr_rep& call) { Add(call); }) {}

void TLineJudge::Remember(const std::filesystem::path& callFile) {
    std::error_code missing;
    if (std::filesystem::exists(callFile, missing)) {
        report::ReadCallFile(callFile,
                             [this](const report::TExtStr_rep& call) { Evaluator.Remember(call); });
    }
}

std::vector<TLineFiring> TLineJudge::Judge(const std::string& line) {
    Fired.clear();
    Reader.Feed(line);
    Reader.Feed("\r\n");
    return std::move(Fired);
}

void TLineJudge::Add(const report::TExtStr_rep& call) {
    const report::TCents cost = Tariffs.Empty() ? 0 : Tariffs.Cost(call).Cost;
    Lines[Number % Lines.size()] = text::Cp1251ToUtf8(std::string(Reader.CurrentLine()));
    for (const TFiring& firing : Evaluator.Add(Number, call, cost)) {
        Fired.push_back({firing.Rule, LineOf(firing.Call)});
    }
    ++Number;
}

// The line of a recent call by its number; a burst names at most its window.
std::string TLineJudge::LineOf(std::uint64_t number) const {
    return Number - number < Lines.size() ? Lines[number % Lines.size()]
                                          : "(call " + std::to_string(number) + ")";
}

std::unique_ptr<TLineJudge> LoadLineJudge(const std::string& rulesFile,
                                          const std::optional<std::string>& tariffFile,
                                          const std::string& tariffSource) {
    TRules rules;
    try {
        rules = ReadRulesFile(rulesFile);
    } catch (const ERulesError& error) {
        throw std::runtime_error(rulesFile + " is refused:\n" + error.what());
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + rulesFile + ": " + error.code().message());
    }
    report::TTariffTable table;
    if (tariffFile) {
        try {
            table = report::ReadTariffFile(*tariffFile);
        } catch (const report::ETariffError& error) {
            throw std::runtime_error(*tariffFile + " is refused:\n" + error.what());
        } catch (const std::system_error& error) {
            throw std::runtime_error("cannot read " + *tariffFile + ": " + error.code().message());
        }
    } else if (rules.NeedsCosts()) {
        throw std::runtime_error(rulesFile + ": rules with min_cost or daily_cost need " +
                                 tariffSource);
    }
    return std::make_unique<TLineJudge>(std::move(rules), std::move(table));
}

} // namespace tallyvox::alerts
