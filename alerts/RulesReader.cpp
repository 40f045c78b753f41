#include "alerts/RulesReader.h"

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include <toml++/toml.h>

#include "delivery/MailSender.h"
#include "delivery/PasswordFile.h"
#include "report/Period.h"
#include "text/WholeFile.h"

namespace tallyvox::alerts {

namespace {

std::string FaultsText(const std::vector<TRulesFault>& faults) {
    std::string text;
    for (const TRulesFault& fault : faults) {
        text += "line " + std::to_string(fault.Line) + ": " + fault.What + "\n";
    }
    return text;
}

std::optional<int> Digits(std::string_view text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::stoi(std::string(text));
}

// "HH:MM:SS" as seconds.
std::optional<std::uint32_t> DurationSeconds(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
        return std::nullopt;
    }
    const auto h = Digits(text.substr(0, 2));
    const auto m = Digits(text.substr(3, 2));
    const auto s = Digits(text.substr(6, 2));
    if (!h || !m || !s || *m > 59 || *s > 59) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*h * 3600 + *m * 60 + *s);
}

// "HH:MM" as the minute of the day; "24:00" is the end of the day.
std::optional<int> MinuteOfDay(std::string_view text) {
    if (text.size() != 5 || text[2] != ':') {
        return std::nullopt;
    }
    const auto h = Digits(text.substr(0, 2));
    const auto m = Digits(text.substr(3, 2));
    if (!h || !m || *m > 59 || *h * 60 + *m > 24 * 60) {
        return std::nullopt;
    }
    return *h * 60 + *m;
}

// "1-5", "1,3,5" or "1-3,6": weekdays 1 (Monday) to 7 as bits.
std::optional<std::uint8_t> Weekdays(std::string_view text) {
    std::uint8_t days = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const std::string_view part = text.substr(at, end - at);
        const std::size_t dash = part.find('-');
        const auto first = Digits(part.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : Digits(part.substr(dash + 1));
        if (!first || !last || *first < 1 || *last > 7 || *first > *last) {
            return std::nullopt;
        }
        for (int day = *first; day <= *last; ++day) {
            days |= static_cast<std::uint8_t>(1u << (day - 1));
        }
        at = end + 1;
    }
    return days;
}

std::optional<std::int64_t> DayNumber(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto y = Digits(text.substr(0, 4));
    const auto m = Digits(text.substr(5, 2));
    const auto d = Digits(text.substr(8, 2));
    if (!y || !m || !d) {
        return std::nullopt;
    }
    const report::TDateTime day{static_cast<std::uint16_t>(*y),
                                static_cast<std::uint8_t>(*m),
                                static_cast<std::uint8_t>(*d),
                                0,
                                0,
                                0};
    if (!report::IsValidDateTime(day)) {
        return std::nullopt;
    }
    return report::SecondsOf(day) / 86400;
}

// An amount of money in hundredths: "500.00", "500,5" or a whole number.
std::optional<report::TCents> Cents(const toml::node& node) {
    if (const auto* whole = node.as_integer()) {
        return whole->get() >= 0 ? std::optional<report::TCents>(whole->get() * 100) : std::nullopt;
    }
    const auto* text = node.as_string();
    if (!text) {
        return std::nullopt;
    }
    const std::optional<report::TPrice> price = report::ParsePrice(text->get());
    if (!price || *price % 100 != 0) {
        return std::nullopt;
    }
    return *price / 100;
}

// One table's keys, read once each; what is left over is told as unknown.
class TTableReader {
public:
    TTableReader(const toml::table& table, std::vector<TRulesFault>& faults)
        : Table(table), Faults(faults) {}

    ~TTableReader() = default;
    TTableReader(const TTableReader&) = delete;
    TTableReader& operator=(const TTableReader&) = delete;

    std::size_t LineOf(const toml::node& node) const { return node.source().begin.line; }

    void Fault(const toml::node& node, std::string what) {
        Faults.push_back({LineOf(node), std::move(what)});
    }

    // The node of a key, or null; the key counts as read.
    const toml::node* Key(std::string_view key) {
        Read.insert(std::string(key));
        return Table.get(key);
    }

    // The value of a key of the TOML type T, or a fault saying what is expected.
    template <class T> std::optional<T> Value(std::string_view key, const char* expected) {
        const toml::node* node = Key(key);
        if (!node) {
            return std::nullopt;
        }
        if (const auto* value = node->as<T>()) {
            return value->get();
        }
        Fault(*node, std::string(key) + ": " + expected + " is expected");
        return std::nullopt;
    }

    std::optional<std::string> Text(std::string_view key) {
        return Value<std::string>(key, "a text in quotes");
    }

    std::optional<bool> Flag(std::string_view key) { return Value<bool>(key, "true or false"); }

    std::optional<std::uint32_t> Count(std::string_view key, std::int64_t least) {
        const toml::node* node = Key(key);
        if (!node) {
            return std::nullopt;
        }
        const auto* number = node->as_integer();
        if (!number || number->get() < least || number->get() > 1000000) {
            Fault(*node, std::string(key) + ": a whole number from " + std::to_string(least) +
                             " is expected");
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(number->get());
    }

    template <class T>
    std::optional<T> Parsed(std::string_view key, const std::string& form,
                            const std::function<std::optional<T>(std::string_view)>& parse) {
        const toml::node* node = Key(key);
        if (!node) {
            return std::nullopt;
        }
        const auto* text = node->as_string();
        std::optional<T> value = text ? parse(text->get()) : std::nullopt;
        if (!value) {
            Fault(*node, std::string(key) + ": " + form + " is expected");
        }
        return value;
    }

    std::optional<report::TCents> Money(std::string_view key) {
        const toml::node* node = Key(key);
        if (!node) {
            return std::nullopt;
        }
        const std::optional<report::TCents> cents = Cents(*node);
        if (!cents) {
            Fault(*node, std::string(key) + ": an amount such as \"500.00\" is expected");
        }
        return cents;
    }

    std::vector<std::string> Texts(std::string_view key) {
        std::vector<std::string> texts;
        const toml::node* node = Key(key);
        if (!node) {
            return texts;
        }
        const auto* array = node->as_array();
        if (!array) {
            Fault(*node, std::string(key) + ": a list of texts such as [\"810\"] is expected");
            return texts;
        }
        for (const toml::node& item : *array) {
            const auto* text = item.as_string();
            if (!text || text->get().empty() ||
                text->get().find_first_of(" \t") != std::string::npos) {
                Fault(item, std::string(key) + ": each entry is a text without blanks");
                continue;
            }
            texts.push_back(text->get());
        }
        return texts;
    }

    void TellUnknownKeys(const std::string& where) {
        for (const auto& [key, node] : Table) {
            if (!Read.contains(std::string(key.str()))) {
                Fault(node, where + ": unknown key \"" + std::string(key.str()) + "\"");
            }
        }
    }

private:
    const toml::table& Table;
    std::vector<TRulesFault>& Faults;
    std::set<std::string> Read;
};

void ReadOffice(const toml::table& table, TOffice& office, std::vector<TRulesFault>& faults) {
    TTableReader reader(table, faults);
    office.Site = reader.Text("site").value_or("");
    if (const auto days = reader.Parsed<std::uint8_t>(
            "working_days", "weekdays such as \"1-5\" (Monday = 1)", Weekdays)) {
        office.WorkingDays = *days;
    }
    const auto hours = reader.Parsed<std::pair<int, int>>(
        "working_hours", "hours such as \"08:00-19:00\"",
        [](std::string_view text) -> std::optional<std::pair<int, int>> {
            const std::size_t dash = text.find('-');
            if (dash == std::string_view::npos) {
                return std::nullopt;
            }
            const auto from = MinuteOfDay(text.substr(0, dash));
            const auto to = MinuteOfDay(text.substr(dash + 1));
            if (!from || !to || *from >= *to) {
                return std::nullopt;
            }
            return std::pair{*from, *to};
        });
    if (hours) {
        office.WorkingFrom = hours->first;
        office.WorkingTo = hours->second;
    }
    if (const toml::node* holidays = reader.Key("holidays")) {
        const auto* array = holidays->as_array();
        if (!array) {
            reader.Fault(*holidays,
                         "holidays: a list of dates such as [\"2027-01-01\"] is expected");
        } else {
            for (const toml::node& item : *array) {
                const auto* text = item.as_string();
                const auto day = text ? DayNumber(text->get()) : std::nullopt;
                if (!day) {
                    reader.Fault(item, "holidays: a date such as \"2027-01-01\" is expected");
                    continue;
                }
                office.HolidayDays.insert(*day);
            }
        }
    }
    reader.TellUnknownKeys("[office]");
}

// Addresses go into a message's headers and the server's commands: each must be
// one plain address.
void CheckAddresses(const toml::node& node, const std::vector<std::string>& addresses,
                    const std::string& where, std::vector<TRulesFault>& faults) {
    for (const std::string& address : addresses) {
        if (!delivery::IsMailAddress(address)) {
            faults.push_back(
                {node.source().begin.line,
                 where + ": \"" + address + "\" is not an address such as name@example.org"});
        }
    }
}

void ReadMail(const toml::table& table, TRules& rules, std::vector<TRulesFault>& faults) {
    TTableReader reader(table, faults);
    TMail mail;
    mail.Server = reader.Text("server").value_or("");
    mail.From = reader.Text("from").value_or("");
    mail.To = reader.Texts("to");
    mail.User = reader.Text("user").value_or("");
    mail.PasswordFile = reader.Text("password_file").value_or("");
    if (mail.Server.rfind("smtp://", 0) != 0 && mail.Server.rfind("smtps://", 0) != 0) {
        reader.Fault(table,
                     "[mail]: server \"smtp://host:port\" or \"smtps://host:port\" is needed");
    }
    if (mail.From.empty() || mail.To.empty()) {
        reader.Fault(table, "[mail]: from and to are needed");
    }
    if (!mail.From.empty()) {
        CheckAddresses(*table.get("from"), {mail.From}, "[mail] from", faults);
    }
    if (!mail.To.empty()) {
        CheckAddresses(*table.get("to"), mail.To, "[mail] to", faults);
    }
    if (!mail.User.empty() && mail.PasswordFile.empty()) {
        reader.Fault(table, "[mail]: user needs a password_file");
    }
    if (!mail.PasswordFile.empty()) {
        if (const auto fault = delivery::PasswordFileFault(mail.PasswordFile)) {
            reader.Fault(*table.get("password_file"), "[mail]: password_file " + *fault);
        }
    }
    reader.TellUnknownKeys("[mail]");
    rules.Mail = std::move(mail);
}

void ReadWebhook(const toml::table& table, TRules& rules, std::vector<TRulesFault>& faults) {
    TTableReader reader(table, faults);
    const std::optional<std::string> url = reader.Text("url");
    if (!url || (url->rfind("http://", 0) != 0 && url->rfind("https://", 0) != 0)) {
        reader.Fault(table, "[webhook]: url \"http://…\" or \"https://…\" is needed");
    } else {
        rules.WebhookUrl = *url;
    }
    reader.TellUnknownKeys("[webhook]");
}

void ReadDelivery(const toml::table& table, TDelivery& delivery, std::vector<TRulesFault>& faults) {
    TTableReader reader(table, faults);
    if (const auto digest = reader.Parsed<std::uint32_t>("digest", "a time such as \"00:10:00\"",
                                                         DurationSeconds)) {
        delivery.DigestSeconds = *digest;
    }
    if (const auto perHour = reader.Count("per_hour", 1)) {
        delivery.PerHour = *perHour;
    }
    reader.TellUnknownKeys("[delivery]");
}

std::optional<TPer> PerOf(std::string_view text) {
    static const std::map<std::string_view, TPer> names{
        {"line", TPer::Line}, {"number", TPer::Number}, {"office", TPer::Office}};
    const auto found = names.find(text);
    return found == names.end() ? std::nullopt : std::optional<TPer>(found->second);
}

// The rule's triggers: at most one, with the keys it needs.
void CheckTriggers(const TRule& rule, const toml::table& table, bool perGiven,
                   std::vector<TRulesFault>& faults) {
    const int triggers = (rule.Burst ? 1 : 0) + (rule.DailyCost || rule.DailyMinutes ? 1 : 0) +
                         (rule.TrunksAtOnce ? 1 : 0) + (rule.NewPrefixDigits ? 1 : 0) +
                         (rule.NoContactSeconds ? 1 : 0) + (rule.BufferFull ? 1 : 0);
    const std::size_t line = table.source().begin.line;
    const auto fault = [&](const std::string& what) {
        faults.push_back({line, "rule \"" + rule.Name + "\": " + what});
    };
    if (triggers > 1) {
        fault("calls/within, daily_cost or daily_minutes, trunks_at_once, new_prefix_digits, "
              "no_contact and buffer_full exclude each other");
    }
    if (rule.DailyCost && rule.DailyMinutes) {
        fault("daily_cost and daily_minutes exclude each other");
    }
    if ((table.contains("calls") != table.contains("within"))) {
        fault("calls and within go together");
    }
    if (perGiven && !rule.Burst && !rule.DailyCost && !rule.DailyMinutes) {
        fault("per goes with calls/within or a daily cap");
    }
    if ((rule.DailyCost || rule.DailyMinutes) && rule.Per == TPer::Number) {
        fault("a daily cap is per line or per office");
    }
    if (table.contains("unseen_days") && !rule.NewPrefixDigits) {
        fault("unseen_days goes with new_prefix_digits");
    }
}

TRule ReadRule(const toml::table& table, std::vector<TRulesFault>& faults) {
    TTableReader reader(table, faults);
    TRule rule;
    rule.Line = table.source().begin.line;
    rule.Name = reader.Text("name").value_or("");
    if (rule.Name.empty()) {
        reader.Fault(table, "[[rule]]: a name is needed");
    }
    const std::optional<std::string> level = reader.Text("level");
    if (level == "critical") {
        rule.Level = TLevel::Critical;
    } else if (level != "warning") {
        reader.Fault(table,
                     "rule \"" + rule.Name + "\": level \"warning\" or \"critical\" is needed");
    }
    rule.Prefixes = reader.Texts("prefixes");
    rule.Lines = reader.Texts("lines");
    if (const auto when = reader.Parsed<TWhen>(
            "when", "\"always\", \"working_hours\" or \"outside_working_hours\"",
            [](std::string_view text) -> std::optional<TWhen> {
                if (text == "always") {
                    return TWhen::Always;
                }
                if (text == "working_hours") {
                    return TWhen::WorkingHours;
                }
                if (text == "outside_working_hours") {
                    return TWhen::OutsideWorkingHours;
                }
                return std::nullopt;
            })) {
        rule.When = *when;
    }
    const std::string timeForm = "a time such as \"01:00:00\"";
    rule.MinDurationSeconds =
        reader.Parsed<std::uint32_t>("min_duration", timeForm, DurationSeconds);
    rule.MinCost = reader.Money("min_cost");
    const auto calls = reader.Count("calls", 2);
    const auto within = reader.Parsed<std::uint32_t>("within", timeForm, DurationSeconds);
    if (calls && within) {
        rule.Burst = TBurst{*calls, *within};
    }
    const bool perGiven = table.contains("per");
    if (const auto per = reader.Parsed<TPer>("per", "\"line\", \"number\" or \"office\"", PerOf)) {
        rule.Per = *per;
    }
    rule.DailyCost = reader.Money("daily_cost");
    rule.DailyMinutes = reader.Count("daily_minutes", 1);
    rule.TrunksAtOnce = reader.Count("trunks_at_once", 1);
    rule.NewPrefixDigits = reader.Count("new_prefix_digits", 1);
    if (const auto days = reader.Count("unseen_days", 1)) {
        rule.UnseenDays = *days;
    }
    rule.NoContactSeconds = reader.Parsed<std::uint32_t>("no_contact", timeForm, DurationSeconds);
    rule.BufferFull = reader.Flag("buffer_full").value_or(false);
    CheckTriggers(rule, table, perGiven, faults);
    reader.TellUnknownKeys("rule \"" + rule.Name + "\"");
    return rule;
}

// [departments]: "Department" = "address" or ["address", ...].
void ReadDepartmentMail(const toml::table& table, TRules& rules, std::vector<TRulesFault>& faults) {
    for (const auto& [key, node] : table) {
        std::vector<std::string>& addresses = rules.DepartmentMail[std::string(key.str())];
        const std::size_t told = faults.size();
        if (const auto* one = node.as_string()) {
            addresses.push_back(one->get());
        } else {
            TTableReader reader(table, faults);
            addresses = reader.Texts(key.str());
        }
        if (addresses.empty() && faults.size() == told) {
            faults.push_back(
                {node.source().begin.line, "[departments]: \"" + std::string(key.str()) +
                                               "\" needs an address or a list of addresses"});
        }
        CheckAddresses(node, addresses, "[departments]", faults);
    }
}

void ReadRuleList(const toml::node& node, TRules& rules, std::vector<TRulesFault>& faults) {
    const auto* array = node.as_array();
    if (!array || !array->is_array_of_tables()) {
        faults.push_back({node.source().begin.line, "rules are written as [[rule]] tables"});
        return;
    }
    for (const toml::node& item : *array) {
        rules.Rules.push_back(ReadRule(*item.as_table(), faults));
    }
}

void ReadTop(const toml::table& top, TRules& rules, std::vector<TRulesFault>& faults) {
    using TSection = std::function<void(const toml::table&)>;
    const std::map<std::string_view, TSection> sections{
        {"office", [&](const toml::table& t) { ReadOffice(t, rules.Office, faults); }},
        {"mail", [&](const toml::table& t) { ReadMail(t, rules, faults); }},
        {"webhook", [&](const toml::table& t) { ReadWebhook(t, rules, faults); }},
        {"delivery", [&](const toml::table& t) { ReadDelivery(t, rules.Delivery, faults); }},
        {"departments", [&](const toml::table& t) { ReadDepartmentMail(t, rules, faults); }},
    };
    for (const auto& [key, node] : top) {
        if (key.str() == "rule") {
            ReadRuleList(node, rules, faults);
            continue;
        }
        const auto section = sections.find(key.str());
        if (section == sections.end() || !node.is_table()) {
            faults.push_back(
                {node.source().begin.line, "unknown section \"" + std::string(key.str()) + "\""});
            continue;
        }
        section->second(*node.as_table());
    }
}

} // namespace

bool TOffice::IsWorkingTime(const report::TDateTime& start) const {
    if (HolidayDays.contains(report::SecondsOf({start.Year, start.Month, start.Day, 0, 0, 0}) /
                             86400)) {
        return false;
    }
    if ((WorkingDays & (1u << (report::Weekday(start) - 1))) == 0) {
        return false;
    }
    const int minute = start.Hour * 60 + start.Minute;
    return minute >= WorkingFrom && minute < WorkingTo;
}

bool TRules::NeedsCosts() const {
    return std::any_of(Rules.begin(), Rules.end(), [](const TRule& r) { return r.NeedsCosts(); });
}

ERulesError::ERulesError(std::vector<TRulesFault> faults)
    : std::runtime_error(FaultsText(faults)), Faults_(std::move(faults)) {}

TRules ReadRulesText(std::string_view text, const std::string& fileName) {
    std::vector<TRulesFault> faults;
    TRules rules;
    try {
        const toml::table top = toml::parse(text, fileName);
        ReadTop(top, rules, faults);
    } catch (const toml::parse_error& error) {
        faults.push_back({error.source().begin.line, std::string(error.description())});
    }
    std::stable_sort(faults.begin(), faults.end(),
                     [](const TRulesFault& a, const TRulesFault& b) { return a.Line < b.Line; });
    if (!faults.empty()) {
        throw ERulesError(std::move(faults));
    }
    return rules;
}

TRules ReadRulesFile(const std::string& fileName) {
    return ReadRulesText(ReadWholeFile(fileName), fileName);
}

} // namespace tallyvox::alerts
