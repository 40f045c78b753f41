#include "collector/AlertLink.h"

#include <stdexcept>
#include <system_error>

#include "alerts/ExchangeWatch.h"
#include "alerts/LineJudge.h"
#include "model/FilePath.h"
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
    TRulesLink(std::unique_ptr<alerts::TLineJudge> judge, const TCalendarTime& now, TLog& log)
        : Judge(std::move(judge)), Watch(Judge->Rules(), DateTimeOf(now)), Log(log) {}

    void LineAppended(const std::string&, const std::string& line, std::uintmax_t) override {
        for (const alerts::TLineFiring& firing : Judge->Judge(line)) {
            Raise(firing.Rule, firing.Line);
        }
    }

    void Contact(const TCalendarTime& now) override { Watch.Contact(DateTimeOf(now)); }

    void NoContact(const TCalendarTime& now) override { Raise(Watch.Silence(DateTimeOf(now))); }

    void BufferFill(int fill, int capacity) override { Raise(Watch.Buffer(fill, capacity)); }

private:
    void Raise(const std::vector<alerts::TStateFiring>& firings) {
        for (const alerts::TStateFiring& firing : firings) {
            Raise(firing.Rule, firing.What);
        }
    }

    // The one way out of a firing, of a call (what: its line) or of the
    // exchange's state (what: the state seen).
    void Raise(std::size_t ruleIndex, const std::string& what) {
        const alerts::TRule& rule = Judge->Rules().Rules[ruleIndex];
        const bool critical = rule.Level == alerts::TLevel::Critical;
        Log.Write(critical ? TLevel::Critical : TLevel::Warning,
                  "alert: " + rule.Name + ": " + what);
    }

    std::unique_ptr<alerts::TLineJudge> Judge;
    alerts::TExchangeWatch Watch; // on Judge's rules
    TLog& Log;
};

} // namespace

std::unique_ptr<TAlertLink> StartAlertLink(const std::string& rulesFile,
                                           const std::optional<std::string>& tariffs,
                                           const std::string& callFile, TLog& log) {
    std::unique_ptr<alerts::TLineJudge> judge =
        alerts::LoadLineJudge(rulesFile, tariffs, "--tariffs");
    try {
        judge->Remember(FilePathOfText(callFile));
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + text::Cp1251ToUtf8(callFile) + ": " +
                                 error.code().message());
    }
    log.Write(TLevel::Info, "alerts: " + std::to_string(judge->Rules().Rules.size()) +
                                " rules from " + rulesFile);
    return std::make_unique<TRulesLink>(std::move(judge), TSystemClock().LocalNow(), log);
}

} // namespace tallyvox::collector
