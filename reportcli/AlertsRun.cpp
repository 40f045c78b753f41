#include "reportcli/AlertsRun.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "alerts/AlertJournal.h"
#include "alerts/Evaluator.h"
#include "alerts/RulesReader.h"
#include "report/FileBlocks.h"
#include "report/Load.h"
#include "reportcli/Run.h"

namespace tallyvox::reportcli {

namespace {

constexpr const char* Program = "tallyvox-report: ";

bool Before(const report::TPeriod& period, const report::TDateTime& start) {
    return period.From && report::SecondsOf(start) < report::SecondsOf(*period.From);
}

// When the alert's call started (or its state was seen).
std::optional<report::TDateTime> StartOf(const alerts::TAlertCall& call) {
    report::TDateTime start;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf((call.Date + " " + call.Time).c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &year, &month,
                    &day, &hour, &minute, &second) != 6) {
        return std::nullopt;
    }
    start = {static_cast<std::uint16_t>(year),  static_cast<std::uint8_t>(month),
             static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
             static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
    return start;
}

// What became of one alert on each channel, the channels by name.
struct TDeliveries {
    std::set<std::string> Channels;
    std::map<std::string, std::string> Sent; // channel: when
    std::map<std::string, int> Failed;       // channel: tries that failed

    std::string Text() const {
        std::string text;
        for (const std::string& channel : Channels) {
            const auto sent = Sent.find(channel);
            const auto failed = Failed.find(channel);
            const int tries = failed == Failed.end() ? 0 : failed->second;
            text +=
                (text.empty() ? "" : ", ") + channel +
                (sent != Sent.end() ? " sent " + sent->second
                                    : " waiting after " + std::to_string(tries) + " failed tries");
        }
        return text.empty() ? "not sent (no [mail] or [webhook] yet)" : text;
    }
};

} // namespace

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

int PrintAlertsLog(const std::string& callFile, const report::TPeriod& period, std::FILE* out,
                   std::ostream& err) {
    const std::string journal = alerts::AlertJournalOf(callFile);
    std::vector<alerts::TJournalEntry> entries;
    try {
        entries = alerts::LoadAlertJournal(journal);
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << journal << ": " << error.code().message() << "\n";
        return 1;
    }
    std::map<std::uint64_t, TDeliveries> deliveries;
    for (const alerts::TJournalEntry& entry : entries) {
        for (const std::uint64_t id : entry.Ids) {
            TDeliveries& delivery = deliveries[id];
            delivery.Channels.insert(entry.Channel);
            if (entry.Event == alerts::TJournalEvent::Sent) {
                delivery.Sent[entry.Channel] = alerts::LocalStamp(entry.Time);
            } else {
                ++delivery.Failed[entry.Channel];
            }
        }
    }
    bool written = true;
    for (const alerts::TJournalEntry& entry : entries) {
        const std::optional<report::TDateTime> start = StartOf(entry.Alert.Call);
        if (entry.Event != alerts::TJournalEvent::Alert || !start || !period.Holds(*start)) {
            continue;
        }
        const alerts::TAlert& alert = entry.Alert;
        const std::string line = alerts::LocalStamp(alert.Raised) + "\t" +
                                 alerts::LevelWord(alert.Level) + "\t" + alert.Rule + "\t" +
                                 alert.Call.Text + "\t" + deliveries[alert.Id].Text() + "\n";
        written = written && std::fputs(line.c_str(), out) >= 0;
    }
    if (!written || std::fflush(out) != 0) {
        err << Program << "cannot write to standard output: " << std::strerror(errno) << "\n";
        return 1;
    }
    return 0;
}

int CheckAlerts(const std::string& rulesFile, std::FILE* out, std::ostream& err) {
    alerts::TRules rules;
    if (!ReadRules(rulesFile, rules, err)) {
        return 1;
    }
    const std::string done =
        rulesFile + ": " + std::to_string(rules.Rules.size()) + " rules, no faults\n";
    return std::fputs(done.c_str(), out) >= 0 ? 0 : 1;
}

int FireAlerts(const TReportOptions& options, const report::TPeriod& period,
               const std::function<void(const TFiredAlert&)>& sink, std::ostream& err) {
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
    std::vector<TFiredAlert> calls; // of the period, by their numbers; Rule left empty
    std::optional<report::TCallReader> reader;
    reader.emplace([&](const report::TExtStr_rep& call) {
        if (Before(period, call.Start)) {
            evaluator.Remember(call);
            return;
        }
        if (!period.Holds(call.Start)) {
            return;
        }
        calls.push_back({"", std::string(reader->CurrentLine()), std::string(call.HardwareLine),
                         std::string(call.ProgramNumber), std::string(call.DialledNumber),
                         static_cast<std::uint32_t>(call.TotalSeconds), call.Start});
        const report::TCents cost = table.Empty() ? 0 : table.Cost(call).Cost;
        for (const alerts::TFiring& firing : evaluator.Add(calls.size() - 1, call, cost)) {
            TFiredAlert alert = calls[firing.Call];
            alert.Rule = evaluator.Rules().Rules[firing.Rule].Name;
            sink(alert);
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
    return 0;
}

int PrintAlerts(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
                std::ostream& err) {
    bool written = true;
    const int status = FireAlerts(
        options, period,
        [&](const TFiredAlert& alert) {
            const std::string text = alert.Rule + "\t" + alert.CallLine + "\n";
            written = written && std::fputs(text.c_str(), out) >= 0;
        },
        err);
    if (status == 0 && (!written || std::fflush(out) != 0)) {
        err << Program << "cannot write to standard output: " << std::strerror(errno) << "\n";
        return 1;
    }
    return status;
}

} // namespace tallyvox::reportcli
