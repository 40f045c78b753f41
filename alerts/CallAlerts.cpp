#include "alerts/CallAlerts.h"

#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "alerts/RulesReader.h"
#include "report/FileBlocks.h"
#include "report/Money.h"
#include "text/Cp1251.h"

namespace tallyvox::alerts {

namespace {

// A burst fires the calls of its window, which a busy exchange fills with a few
// hundred calls at most.
constexpr std::size_t RecentCalls = 4096;

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') + 1 - first));
}

std::string TwoDigits(int a, int b, int c, char separator, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%c%02d%c%02d", width, a, separator, b, separator, c);
    return text;
}

TAlertCall FactsOf(const report::TExtStr_rep& call, const report::TTariffTable& tariffs) {
    const report::TDateTime& start = call.Start;
    TAlertCall facts;
    facts.Date = TwoDigits(start.Year, start.Month, start.Day, '-', 4);
    facts.Time = TwoDigits(start.Hour, start.Minute, start.Second, ':', 2);
    facts.Line = text::Cp1251ToUtf8(Trimmed(call.HardwareLine));
    facts.Program = text::Cp1251ToUtf8(call.ProgramNumber);
    facts.Trunk = text::Cp1251ToUtf8(Trimmed(call.Trunk));
    facts.Number = text::Cp1251ToUtf8(call.DialledNumber);
    facts.Duration =
        TwoDigits(call.DurationHours, call.DurationMinutes, call.DurationSeconds, ':', 2);
    if (!tariffs.Empty()) {
        facts.Cost = report::CentsText(tariffs.Cost(call).Cost, '.');
    }
    return facts;
}

template <typename Read> auto ReadNamed(const std::string& fileName, Read read) {
    try {
        return read();
    } catch (const ERulesError& error) {
        throw std::runtime_error(fileName + " is refused:\n" + error.what());
    } catch (const report::ETariffError& error) {
        throw std::runtime_error(fileName + " is refused:\n" + error.what());
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + fileName + ": " + error.code().message());
    }
}

} // namespace

TCallAlerts::TCallAlerts(TRules rules, report::TTariffTable tariffs)
    : Evaluator(std::move(rules)), Tariffs(std::move(tariffs)),
      Reader([this](const report::TExtStr_rep& call) { Judge(call); }) {}

void TCallAlerts::Remember(const std::filesystem::path& callFile, std::uint64_t end) {
    std::error_code missing;
    if (end == 0 || !std::filesystem::exists(callFile, missing)) {
        return;
    }
    report::TCallReader reader(
        [this](const report::TExtStr_rep& call) { Evaluator.Remember(call); });
    report::ReadFileBlocks(callFile, 0, end, [&](std::string_view bytes) { reader.Feed(bytes); });
    reader.Finish();
}

std::vector<TAlert> TCallAlerts::Add(std::string_view line, std::uint64_t offset) {
    Found.clear();
    Offset = offset;
    Reader.Feed(line);
    Reader.Feed("\r\n");
    return std::move(Found);
}

void TCallAlerts::Judge(const report::TExtStr_rep& call) {
    const report::TCents cost = Tariffs.Empty() ? 0 : Tariffs.Cost(call).Cost;
    TAlertCall& facts = Recent[Offset] = FactsOf(call, Tariffs);
    facts.Text = text::Cp1251ToUtf8(Reader.CurrentLine());
    if (Recent.size() > RecentCalls) {
        Recent.erase(Recent.begin());
    }
    for (const TFiring& firing : Evaluator.Add(Offset, call, cost)) {
        const TRule& rule = Evaluator.Rules().Rules[firing.Rule];
        const auto fired = Recent.find(firing.Call);
        TAlert alert;
        alert.Rule = rule.Name;
        alert.Level = rule.Level;
        alert.At = firing.Call;
        alert.Call = fired == Recent.end() ? TAlertCall{} : fired->second;
        Found.push_back(std::move(alert));
    }
}

std::unique_ptr<TCallAlerts> LoadCallAlerts(const std::string& rulesFile,
                                            const std::optional<std::string>& tariffs) {
    TRules rules = ReadNamed(rulesFile, [&] { return ReadRulesFile(rulesFile); });
    report::TTariffTable table;
    if (tariffs) {
        table = ReadNamed(*tariffs, [&] { return report::ReadTariffFile(*tariffs); });
    } else if (rules.NeedsCosts()) {
        throw std::runtime_error(rulesFile + ": rules with min_cost or daily_cost need --tariffs");
    }
    return std::make_unique<TCallAlerts>(std::move(rules), std::move(table));
}

} // namespace tallyvox::alerts
