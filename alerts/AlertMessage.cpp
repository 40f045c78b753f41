#include "alerts/AlertMessage.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace tallyvox::alerts {

namespace {

// The alerts of one rule, as they follow each other in a message.
struct TRuleAlerts {
    std::string Rule;
    TLevel Level = TLevel::Warning;
    std::vector<const TAlert*> Alerts;
};

std::vector<TRuleAlerts> ByRule(const TOutgoing& outgoing) {
    std::vector<TRuleAlerts> rules;
    for (const TAlert& alert : outgoing.Alerts) {
        if (rules.empty() || rules.back().Rule != alert.Rule) {
            rules.push_back({alert.Rule, alert.Level, {}});
        }
        rules.back().Alerts.push_back(&alert);
    }
    return rules;
}

std::string Padded(const std::string& text, std::size_t width) {
    std::size_t characters = 0; // UTF-8: continuation bytes take no room
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return text + std::string(width > characters ? width - characters : 1, ' ');
}

std::string LineWithProgram(const TAlertCall& call) {
    return call.Program.empty() ? call.Line : call.Line + " (" + call.Program + ")";
}

std::string CallsTable(const TRuleAlerts& rule) {
    std::string text = "Rule: " + rule.Rule + "\nLevel: " + LevelWord(rule.Level) +
                       "\nCalls: " + std::to_string(rule.Alerts.size()) + "\n\n" +
                       Padded("Date", 12) + Padded("Time", 10) + Padded("Line (program)", 16) +
                       Padded("Trunk", 7) + Padded("Number", 18) + Padded("Duration", 10) +
                       "Cost\n";
    for (const TAlert* alert : rule.Alerts) {
        const TAlertCall& call = alert->Call;
        if (call.Line.empty()) { // of the exchange's state: what was seen
            text += Padded(call.Date, 12) + Padded(call.Time, 10) + call.Text + "\n";
            continue;
        }
        text += Padded(call.Date, 12) + Padded(call.Time, 10) + Padded(LineWithProgram(call), 16) +
                Padded(call.Trunk.empty() ? "-" : call.Trunk, 7) +
                Padded(call.Number.empty() ? "(incoming)" : call.Number, 18) +
                Padded(call.Duration, 10) + (call.Cost.empty() ? "-" : call.Cost) + "\n";
    }
    return text;
}

nlohmann::json CallsJson(const TRuleAlerts& rule) {
    nlohmann::json calls = nlohmann::json::array();
    for (const TAlert* alert : rule.Alerts) {
        const TAlertCall& call = alert->Call;
        calls.push_back({{"id", alert->Id},
                         {"date", call.Date},
                         {"time", call.Time},
                         {"line", call.Line},
                         {"program", call.Program},
                         {"trunk", call.Trunk},
                         {"number", call.Number},
                         {"duration", call.Duration},
                         {"cost", call.Cost},
                         {"text", call.Text}});
    }
    return {{"rule", rule.Rule}, {"level", LevelWord(rule.Level)}, {"calls", calls}};
}

TLevel HighestLevel(const std::vector<TRuleAlerts>& rules) {
    for (const TRuleAlerts& rule : rules) {
        if (rule.Level == TLevel::Critical) {
            return TLevel::Critical;
        }
    }
    return TLevel::Warning;
}

} // namespace

TAlertMessage ComposeAlertMessage(const std::string& site, const TOutgoing& outgoing,
                                  std::uint32_t perHour) {
    const std::vector<TRuleAlerts> rules = ByRule(outgoing);
    const std::string level = LevelWord(HighestLevel(rules));
    TAlertMessage message;
    message.Text = "Site: " + site + "\n";
    if (outgoing.Summary) {
        message.Subject = "[" + level + "] " + site + ": " +
                          std::to_string(outgoing.Alerts.size()) + " alerts of " +
                          std::to_string(rules.size()) + " rules (summary)";
        message.Text += "More alerts came than " + std::to_string(perHour) +
                        " messages an hour may tell: this summary holds every alert waiting.\n";
    } else {
        message.Subject = "[" + level + "] " + site + ": " + rules.front().Rule + ": " +
                          std::to_string(outgoing.Alerts.size()) + " calls";
    }
    nlohmann::json json{
        {"site", site}, {"summary", outgoing.Summary}, {"rules", nlohmann::json::array()}};
    for (const TRuleAlerts& rule : rules) {
        message.Text += "\n" + CallsTable(rule);
        json["rules"].push_back(CallsJson(rule));
    }
    json["subject"] = message.Subject;
    json["text"] = message.Text;
    message.Json = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return message;
}

} // namespace tallyvox::alerts
