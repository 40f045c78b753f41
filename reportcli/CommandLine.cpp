#include "reportcli/CommandLine.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace tallyvox::reportcli {

namespace {

using report::TLineSortKey;
using report::TTrunkSortKey;

template <class TKey>
TKey Choice(const std::string& option, const std::string& value,
            const std::map<std::string, TKey>& choices) {
    const auto found = choices.find(value);
    if (found == choices.end()) {
        std::string names;
        for (const auto& [name, key] : choices) {
            names += (names.empty() ? "" : "|") + name;
        }
        throw ECommandLineError(option + ": expected " + names + ", not \"" + value + "\"");
    }
    return found->second;
}

std::string Digits(const std::string& option, const std::string& value) {
    if (value.empty() ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        throw ECommandLineError(option + ": expected digits, not \"" + value + "\"");
    }
    return value;
}

void SetSubscriber(TReportOptions& options, const std::string& option, const std::string& value,
                   bool byHardwareLine) {
    report::TSelection& selection =
        options.Selection ? *options.Selection : options.Selection.emplace();
    if (!selection.Subscriber.empty()) {
        throw ECommandLineError(option + ": only one of --program and --hardware may be given");
    }
    selection.Subscriber = Digits(option, value);
    selection.ByHardwareLine = byHardwareLine;
}

void SetPrefix(TReportOptions& options, const std::string& option, const std::string& value) {
    report::TSelection& selection =
        options.Selection ? *options.Selection : options.Selection.emplace();
    if (!selection.Prefix.empty()) {
        throw ECommandLineError(option + ": given twice");
    }
    selection.Prefix = Digits(option, value);
}

void SetPeriod(TReportOptions& options, const std::string& option, const std::string& value) {
    if (options.Period) {
        throw ECommandLineError(option + ": given twice");
    }
    options.Period = Choice(option, value,
                            std::map<std::string, report::TPeriodPreset>{
                                {"today", report::TPeriodPreset::Today},
                                {"yesterday", report::TPeriodPreset::Yesterday},
                                {"thisweek", report::TPeriodPreset::ThisWeek},
                                {"lastweek", report::TPeriodPreset::LastWeek},
                                {"thismonth", report::TPeriodPreset::ThisMonth},
                                {"lastmonth", report::TPeriodPreset::LastMonth}});
}

void SetOnce(std::optional<std::string>& target, const std::string& option,
             const std::string& value) {
    if (target) {
        throw ECommandLineError(option + ": given twice");
    }
    target = value;
}

report::TDateTime DateTime(const std::string& option, const std::string& value, bool endOfDay) {
    const std::optional<report::TDateTime> dateTime = report::ParseDateTime(value, endOfDay);
    if (!dateTime) {
        throw ECommandLineError(option + ": expected YYYY-MM-DD[ HH:MM[:SS]], not \"" + value +
                                "\"");
    }
    return *dateTime;
}

void AddCsv(TReportOptions& options, const std::string& option, const std::string& value) {
    const std::size_t equals = value.find('=');
    const std::optional<report::TViewKind> view =
        report::ViewByName(value.substr(0, equals == std::string::npos ? 0 : equals));
    if (!view || equals + 1 >= value.size()) {
        throw ECommandLineError(option + ": expected calls|lines|trunks|destinations=FILE, not \"" +
                                value + "\"");
    }
    options.CsvOuts.emplace_back(*view, value.substr(equals + 1));
}

void CheckMailCombinations(const TReportOptions& options) {
    if (!options.Mail) {
        const std::pair<bool, const char*> mailOnly[] = {{!options.MailTo.empty(), "--mail-to"},
                                                         {options.ByDepartment, "--by-department"},
                                                         {options.DryRun.has_value(), "--dry-run"},
                                                         {options.Resend, "--resend"}};
        for (const auto& [given, name] : mailOnly) {
            if (given) {
                throw ECommandLineError(std::string(name) + ": only with --mail");
            }
        }
        return;
    }
    if (options.WritesExports() || options.WantsCharts() || options.Coverage || options.AlertsLog ||
        options.OnlyChecks()) {
        throw ECommandLineError(
            "--mail: not together with the exports, charts, --coverage, --alerts-log or checks");
    }
    if (options.ByDepartment && !options.Directory) {
        throw ECommandLineError("--by-department: only with --directory");
    }
    if (options.ByDepartment && !options.Departments.empty()) {
        throw ECommandLineError("--by-department: not together with --department");
    }
}

// Options that take no call file, and those that only make sense together.
void CheckCombinations(const TReportOptions& options) {
    if ((options.From || options.To) && options.Period) {
        throw ECommandLineError("--period: not together with --from or --to");
    }
    if (options.From && options.To &&
        report::SecondsOf(*options.From) > report::SecondsOf(*options.To)) {
        throw ECommandLineError("--from: later than --to");
    }
    if (options.Alerts &&
        (options.Store || options.WritesExports() || options.WantsCharts() || options.Coverage)) {
        throw ECommandLineError(
            "--alerts: only with a call file, --tariffs and the period options");
    }
    if (options.AlertsLog &&
        (options.Alerts || options.Tariffs || options.Store || options.WritesExports() ||
         options.WantsCharts() || options.Coverage)) {
        throw ECommandLineError("--alerts-log: only with a call file and the period options");
    }
    if (!options.Departments.empty() && !options.Directory) {
        throw ECommandLineError("--department: only with --directory");
    }
    CheckMailCombinations(options);
}

// KIND=OUT: a chart's name and the picture's file, .png or .svg.
std::pair<TChartKind, std::string> ChartOption(const std::string& option,
                                               const std::string& value) {
    const std::size_t equals = value.find('=');
    const std::string name = value.substr(0, equals);
    const std::optional<TChartKind> kind = ChartKindByName(name);
    if (!kind) {
        std::string names;
        for (const TChartKindName& known : ChartKinds) {
            names += (names.empty() ? "" : "|") + std::string(known.Name);
        }
        throw ECommandLineError(option + ": expected " + names + "=OUT, not \"" + value + "\"");
    }
    const std::string file = equals == std::string::npos ? "" : value.substr(equals + 1);
    std::string suffix = file.size() > 4 ? file.substr(file.size() - 4) : "";
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (suffix != ".png" && suffix != ".svg") {
        throw ECommandLineError(option + ": the picture's file must end in .png or .svg, not \"" +
                                file + "\"");
    }
    return {*kind, file};
}

// Either one call file or the store, and sites only with the store.
void CheckSource(TReportOptions& options, const std::vector<std::string>& files) {
    if (options.Store) {
        if (!files.empty()) {
            throw ECommandLineError("a call-accounting file and --store cannot be given together");
        }
        return;
    }
    if (!options.Sites.empty()) {
        throw ECommandLineError("--site: only with --store");
    }
    if (files.size() != 1) {
        throw ECommandLineError(files.empty() ? "no call-accounting file given"
                                              : "more than one call-accounting file given");
    }
    options.CallFile = files.front();
}

void SetMaskDigits(TReportOptions& options, const std::string& option, const std::string& value) {
    const std::string digits = Digits(option, value);
    if (options.MaskDigits || digits.size() > 2) {
        throw ECommandLineError(option + ": given twice or above 99");
    }
    options.MaskDigits = static_cast<unsigned>(std::stoul(digits));
}

} // namespace

report::TPeriod TReportOptions::PeriodAt(const report::TDateTime& now) const {
    if (Period) {
        return report::PresetPeriod(*Period, now);
    }
    return {From, To};
}

TReportOptions ParseCommandLine(const std::vector<std::string>& arguments) {
    static const std::map<std::string, TLineSortKey> lineKeys{
        {"hardware", TLineSortKey::HardwareLine},
        {"program", TLineSortKey::ProgramNumber},
        {"out", TLineSortKey::OutTraffic},
        {"in", TLineSortKey::InTraffic},
        {"total", TLineSortKey::TotalTraffic}};
    static const std::map<std::string, TTrunkSortKey> trunkKeys{
        {"trunk", TTrunkSortKey::Trunk},
        {"out", TTrunkSortKey::OutTraffic},
        {"in", TTrunkSortKey::InTraffic},
        {"total", TTrunkSortKey::TotalTraffic}};
    TReportOptions options;
    std::vector<std::string> files;
    auto once = [&](std::optional<std::string>& target) {
        return [&target](const std::string& option, const std::string& value) {
            SetOnce(target, option, value);
        };
    };
    auto subscriber = [&](bool byHardwareLine) {
        return [&options, byHardwareLine](const std::string& option, const std::string& value) {
            SetSubscriber(options, option, value, byHardwareLine);
        };
    };
    auto dateTime = [&](std::optional<report::TDateTime>& target, bool endOfDay) {
        return [&target, endOfDay](const std::string& option, const std::string& value) {
            if (target) {
                throw ECommandLineError(option + ": given twice");
            }
            target = DateTime(option, value, endOfDay);
        };
    };
    cli::TOptionTable(options.Help)
        .Value("--sort-lines",
               [&](const std::string& option, const std::string& value) {
                   options.LineSorts.push_back(Choice(option, value, lineKeys));
               })
        .Value("--sort-trunks",
               [&](const std::string& option, const std::string& value) {
                   options.TrunkSorts.push_back(Choice(option, value, trunkKeys));
               })
        .Value("--program", subscriber(false))
        .Value("--hardware", subscriber(true))
        .Value("--prefix", [&](const std::string& option,
                               const std::string& value) { SetPrefix(options, option, value); })
        .Value("--date-format", once(options.DateFormat))
        .Value("--calls", once(options.CallsOut))
        .Value("--lines", once(options.LinesOut))
        .Value("--trunks", once(options.TrunksOut))
        .Value("--store", once(options.Store))
        .Value("--site", [&](const std::string&,
                             const std::string& value) { options.Sites.push_back(value); })
        .Flag("--coverage", [&] { options.Coverage = true; })
        .Value("--tariffs", once(options.Tariffs))
        .Value("--check-tariffs", once(options.CheckTariffs))
        .Value("--directory", once(options.Directory))
        .Value("--department",
               [&](const std::string&, const std::string& value) {
                   options.Departments.push_back(value);
               })
        .Value("--mask-digits",
               [&](const std::string& option, const std::string& value) {
                   SetMaskDigits(options, option, value);
               })
        .Value("--check-directory", once(options.CheckDirectory))
        .Value("--check-alerts", once(options.CheckAlerts))
        .Value("--alerts", once(options.Alerts))
        .Flag("--alerts-log", [&] { options.AlertsLog = true; })
        .Value("--from", dateTime(options.From, false))
        .Value("--to", dateTime(options.To, true))
        .Value("--period", [&](const std::string& option,
                               const std::string& value) { SetPeriod(options, option, value); })
        .Value("--csv", [&](const std::string& option,
                            const std::string& value) { AddCsv(options, option, value); })
        .Value("--xlsx", once(options.XlsxOut))
        .Value("--chart",
               [&](const std::string& option, const std::string& value) {
                   options.Charts.push_back(ChartOption(option, value));
               })
        .Flag("--sizing", [&] { options.Sizing = true; })
        .Value("--mail", once(options.Mail))
        .Value("--mail-to", [&](const std::string&,
                                const std::string& value) { options.MailTo.push_back(value); })
        .Flag("--by-department", [&] { options.ByDepartment = true; })
        .Value("--dry-run", once(options.DryRun))
        .Flag("--resend", [&] { options.Resend = true; })
        .Operands([&](const std::string& file) { files.push_back(file); })
        .Walk(arguments);
    if (options.Help) {
        return options;
    }
    CheckCombinations(options);
    if (options.OnlyChecks() && files.empty()) {
        return options;
    }
    CheckSource(options, files);
    return options;
}

std::string Usage() {
    return R"(usage: tallyvox-report CALLFILE [options]
       tallyvox-report --store URL [--site NAME]... [options]
       tallyvox-report --check-tariffs FILE
       tallyvox-report --check-directory FILE
       tallyvox-report --check-alerts RULES
Loads a call-accounting file (or the calls of a store), totals the talk time of
every subscriber line and
every trunk, and writes the report's exports (Windows-1251, CR LF), the same
bytes as the report window's. Without --calls, --lines or --trunks it prints the
line and trunk totals as tables.

  --sort-lines hardware|program|out|in|total
                        sort the line totals by hardware number, program number,
                        outgoing, incoming or total traffic; may be repeated:
                        each sort is stable and applies to the previous order
  --sort-trunks trunk|out|in|total
                        sort the trunk totals likewise (trunk: as text)
  --program N           export only the calls of program (directory) number N
  --hardware N          export only the calls of hardware line N (three digits)
  --prefix DIGITS       export only the calls whose dialled number begins with DIGITS
  --date-format FORMAT  the date of the call export in Qt's date letters
                        (dd, MM, yyyy, ...); default: the locale's short date format
  --calls OUT           write the call export to OUT
  --lines OUT           write the line totals export to OUT
  --trunks OUT          write the trunk totals export to OUT
                        OUT may be "-" for standard output; an existing OUT is replaced
  --chart KIND=OUT      draw a traffic chart into OUT (.png or .svg), without a
                        display; may be repeated. KIND: hours (calls and talk
                        time per hour of the day), days (per day), toplines (the
                        15 lines with the most talk time), topcost (the 15 that
                        cost most), trunks (trunk occupancy), sizing (trunks
                        needed by Erlang B)
  --sizing              print the trunk sizing of the busiest hour: its traffic in
                        Erlangs (the seconds calls held trunks within it over
                        3600) and the trunks Erlang B needs for 1% and 5%
                        blocking; then the same for the mean daily busy hour of
                        the 30 and of the 5 busiest days

Costs and periods (the exports above keep their bytes; a period narrows them):
  --tariffs FILE        price the calls by a tariff table (";"-separated, UTF-8 or
                        Windows-1251; see examples/tariffs.csv); without an output
                        option, print the line, trunk and destination totals with
                        their costs, the grand total and the unpriced calls
  --from DATETIME       only calls that start at or after DATETIME
  --to DATETIME         only calls that start at or before DATETIME (a date alone
                        counts to its last second); DATETIME: YYYY-MM-DD[ HH:MM[:SS]]
  --period today|yesterday|thisweek|lastweek|thismonth|lastmonth
                        the whole days of that period (a week begins on Monday)
  --csv VIEW=OUT        write a view as CSV for a spreadsheet (UTF-8 with BOM, ";",
                        decimal comma); VIEW: calls, lines, trunks, destinations;
                        may be repeated
  --xlsx OUT            write every view as one workbook, a sheet per view
  --check-tariffs FILE  read a tariff table and report its faults, nothing else
                        (no call file is needed)
  --directory FILE      whose the lines are, by an office directory (";"-separated,
                        UTF-8 or Windows-1251; see examples/directory.csv);
                        without an output option, also print the calls, talk
                        time and cost (by destination class, from the tariff
                        table's class column) of each department and cost
                        centre, with the "Нет в справочнике" row and its lines
  --department NAME     only the calls of the lines this department had on each
                        call's date, in every table and export; may be repeated
  --mask-digits N       show the last N digits of every dialled number as X in
                        every table and export (the call file is not changed)
  --check-directory FILE
                        read an office directory (";"-separated, UTF-8 or
                        Windows-1251; see examples/directory.csv) and report its
                        faults, nothing else (no call file is needed)

Alerts (see README and examples/alerts.toml):
  --check-alerts RULES  read an alert rules file (TOML) and report its faults
                        with their line numbers, nothing else
  --alerts RULES        print what the rules would have fired in the period: one
                        line per call and rule, the rule's name, a tab and the
                        call's line as it stands in CALLFILE (rules with
                        min_cost or daily_cost need --tariffs)
  --alerts-log          list the alerts of the period from CALLFILE.alerts, the
                        journal that tallyvox-collect --alerts and tallyvox-alert
                        keep: one line per alert, when it was raised, its level,
                        the rule, the call's line and how it was delivered

The store (see README; the calls of many offices in one PostgreSQL database):
  --store URL           the calls of a store (a connection string:
                        "postgresql://user@host/db" or "host=... dbname=...")
                        instead of a call-accounting file
  --site NAME           only the calls of site NAME; may be repeated (none: every
                        site). With more than one site, line and trunk texts
                        begin with "NAME:" so each site's totals stay apart

Reports by mail (see README and examples/report-mail.toml):
  --mail FILE           send the period's report instead of writing it: the
                        workbook of --xlsx attached, and a summary in the message
                        (the period, the grand total, the unpriced calls, the
                        dearest destinations and calls, the lines that talked
                        longest, the alerts of --alerts RULES and the gaps in
                        capture). FILE holds a [mail] table as the alert rules
                        do (it may be the rules file itself). Every message is
                        logged in CALLFILE.mail (or in the store); a message the
                        log says went out is not sent again
  --mail-to ADDR        send to ADDR instead of [mail] to; may be repeated
  --by-department       with --directory: each department's calls to its own
                        addresses ([departments] of FILE, else the directory's
                        email of the department's rows); the calls of the
                        departments without an address and of the lines in no
                        department go to [mail] to in one more message
  --dry-run DIR         write each message into DIR as NN.eml instead of
                        sending it (no mail server is needed)
  --resend              send again what the log says went out already

Capture coverage (from the journal the collector keeps beside CALLFILE, or
from the store's coverage of each site):
  --coverage            print when the exchange was read into CALLFILE and the gaps
                        in between with their reasons (CALLFILE.coverage), within
                        the period of --from/--to/--period; totals over a period
                        with gaps in capture say so on stderr. A stop after which
                        the exchange's buffer was not full is a pause, no gap
  --help                show this text

Exit status: 0 done, 1 the call file, the store or the tariff table cannot be
read (or the table or the rules have faults) or an export cannot be written, 2 a mistake in
the options, 75 a mail server did not take a message of --mail (the log says
which; run again to send what did not go out).
)";
}

} // namespace tallyvox::reportcli
