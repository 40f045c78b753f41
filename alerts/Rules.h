#pragma once
// The alert rules an administrator writes by hand in a TOML file: the office's
// working time, where alerts go, and the rules. Texts are UTF-8 as typed;
// hardware lines and dialled numbers compare with the call file's digits.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "report/Money.h"
#include "report/Types.h"

namespace tallyvox::alerts {

enum class TLevel { Warning, Critical };
enum class TWhen { Always, WorkingHours, OutsideWorkingHours };
enum class TPer { Line, Number, Office };

struct TOffice {
    std::string Site;
    std::uint8_t WorkingDays = 0x1F;    // bit d-1 for weekday d (1 = Monday)
    int WorkingFrom = 8 * 60;           // minute of the day, included
    int WorkingTo = 19 * 60;            // minute of the day, excluded
    std::set<std::int64_t> HolidayDays; // day numbers (SecondsOf / 86400)

    // Whether a call that starts at start belongs to working hours.
    bool IsWorkingTime(const report::TDateTime& start) const;
};

struct TMail {
    std::string Server; // smtp:// or smtps://
    std::string From;
    std::vector<std::string> To;
    std::string User;
    std::string PasswordFile;
};

struct TDelivery {
    std::uint32_t DigestSeconds = 600;
    std::uint32_t PerHour = 20;
};

// At least Calls calls starting within WithinSeconds of each other.
struct TBurst {
    std::uint32_t Calls = 0;
    std::uint32_t WithinSeconds = 0;
};

struct TRule {
    std::string Name;
    TLevel Level = TLevel::Warning;
    std::size_t Line = 0; // of its [[rule]] header, for messages

    // Which calls the rule looks at: every condition given holds.
    std::vector<std::string> Prefixes; // outgoing calls dialling one of these
    TWhen When = TWhen::Always;
    std::vector<std::string> Lines; // hardware lines; none: every line
    std::optional<std::uint32_t> MinDurationSeconds;
    std::optional<report::TCents> MinCost;

    // What about those calls fires it; with none of these, each such call does.
    std::optional<TBurst> Burst;
    TPer Per = TPer::Office; // the counters of a burst or a daily cap are kept per this
    std::optional<report::TCents> DailyCost;
    std::optional<std::uint32_t> DailyMinutes;
    std::optional<std::uint32_t> TrunksAtOnce;
    std::optional<std::uint32_t> NewPrefixDigits;
    std::uint32_t UnseenDays = 90;
    // Not about calls: no contact with the exchange in working hours for this long.
    std::optional<std::uint32_t> NoContactSeconds;
    // Not about calls: the exchange's buffer is more than 90% full.
    bool BufferFull = false;

    bool NeedsCosts() const { return MinCost || DailyCost; }
    // Whether calls fire it at all (the no-contact and buffer rules are told by
    // the capture, see ExchangeWatch.h).
    bool LooksAtCalls() const { return !NoContactSeconds && !BufferFull; }
};

struct TRules {
    TOffice Office;
    std::optional<TMail> Mail;
    // Who receives a department's reports by mail: the department as the office
    // directory names it (UTF-8), and the addresses.
    std::map<std::string, std::vector<std::string>> DepartmentMail;
    std::optional<std::string> WebhookUrl;
    TDelivery Delivery;
    std::vector<TRule> Rules;

    bool NeedsCosts() const;
};

} // namespace tallyvox::alerts
