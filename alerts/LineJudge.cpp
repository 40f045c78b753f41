#include "alerts/LineJudge.h"

#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "alerts/RulesReader.h"
#include "report/FileBlocks.h"
#include "report/Money.h"
#include "report/TariffReader.h"
#include "text/Cp1251.h"

namespace tallyvox::alerts {

namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') + 1 - first));
}

std::string ThreeNumbers(int a, int b, int c, char separator, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%c%02d%c%02d", width, a, separator, b, separator, c);
    return text;
}

// priced: the calls have a cost (a tariff table is given).
TAlertCall FieldsOf(const report::TExtStr_rep& call, bool priced, report::TCents cost) {
    const report::TDateTime& start = call.Start;
    TAlertCall fields;
    fields.Date = ThreeNumbers(start.Year, start.Month, start.Day, '-', 4);
    fields.Time = ThreeNumbers(start.Hour, start.Minute, start.Second, ':', 2);
    fields.Line = text::Cp1251ToUtf8(Trimmed(call.HardwareLine));
    fields.Program = text::Cp1251ToUtf8(call.ProgramNumber);
    fields.Trunk = text::Cp1251ToUtf8(Trimmed(call.Trunk));
    fields.Number = text::Cp1251ToUtf8(call.DialledNumber);
    fields.Duration =
        ThreeNumbers(call.DurationHours, call.DurationMinutes, call.DurationSeconds, ':', 2);
    fields.Cost = priced ? report::CentsText(cost, '.') : std::string();
    return fields;
}

} // namespace

TLineJudge::TLineJudge(TRules rules, report::TTariffTable tariffs)
    : Evaluator(std::move(rules)), Tariffs(std::move(tariffs)),
      Reader([this](const report::TExtStr_rep& call) { Add(call); }) {}

void TLineJudge::Remember(const std::filesystem::path& callFile, std::uint64_t end) {
    std::error_code missing;
    if (end == 0 || !std::filesystem::exists(callFile, missing)) {
        return;
    }
    report::TCallReader reader(
        [this](const report::TExtStr_rep& call) { Evaluator.Remember(call); });
    report::ReadFileBlocks(callFile, 0, end, [&](std::string_view bytes) { reader.Feed(bytes); });
    reader.Finish();
}

std::vector<TLineFiring> TLineJudge::Judge(const std::string& line, std::uint64_t offset) {
    Fired.clear();
    Offset = offset;
    Reader.Feed(line);
    Reader.Feed("\r\n");
    return std::move(Fired);
}

void TLineJudge::Add(const report::TExtStr_rep& call) {
    const bool priced = !Tariffs.Empty();
    const report::TCents cost = priced ? Tariffs.Cost(call).Cost : 0;
    TRecent& recent = Recent[Number % Recent.size()];
    recent = {Offset, FieldsOf(call, priced, cost)};
    recent.Call.Text = text::Cp1251ToUtf8(std::string(Reader.CurrentLine()));
    for (const TFiring& firing : Evaluator.Add(Number, call, cost)) {
        TRecent fired = RecentOf(firing.Call);
        Fired.push_back({firing.Rule, fired.Call.Text, fired.At, std::move(fired.Call)});
    }
    ++Number;
}

// A recent call by its number; a burst names at most its window.
TLineJudge::TRecent TLineJudge::RecentOf(std::uint64_t number) const {
    if (Number - number < Recent.size()) {
        return Recent[number % Recent.size()];
    }
    TRecent unknown;
    unknown.Call.Text = "(call " + std::to_string(number) + ")";
    return unknown;
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

std::vector<TAlert> AlertsOf(const TRules& rules, const std::vector<TLineFiring>& firings) {
    std::vector<TAlert> alerts;
    for (const TLineFiring& firing : firings) {
        const TRule& rule = rules.Rules[firing.Rule];
        TAlert alert;
        alert.Rule = rule.Name;
        alert.Level = rule.Level;
        alert.At = firing.At;
        alert.Call = firing.Call;
        alerts.push_back(std::move(alert));
    }
    return alerts;
}

} // namespace tallyvox::alerts
