#include "reportcli/CommandLine.h"

#include <algorithm>
#include <map>
#include <optional>

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
    if (!options.Departments.empty() && !options.Directory) {
        throw ECommandLineError("--department: only with --directory");
    }
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
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) {
                throw ECommandLineError(option + ": a value must follow");
            }
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            options.Help = true;
        } else if (option == "--sort-lines") {
            options.LineSorts.push_back(Choice(option, value(), lineKeys));
        } else if (option == "--sort-trunks") {
            options.TrunkSorts.push_back(Choice(option, value(), trunkKeys));
        } else if (option == "--program" || option == "--hardware") {
            SetSubscriber(options, option, value(), option == "--hardware");
        } else if (option == "--prefix") {
            report::TSelection& selection =
                options.Selection ? *options.Selection : options.Selection.emplace();
            if (!selection.Prefix.empty()) {
                throw ECommandLineError(option + ": given twice");
            }
            selection.Prefix = Digits(option, value());
        } else if (option == "--date-format") {
            SetOnce(options.DateFormat, option, value());
        } else if (option == "--calls") {
            SetOnce(options.CallsOut, option, value());
        } else if (option == "--lines") {
            SetOnce(options.LinesOut, option, value());
        } else if (option == "--trunks") {
            SetOnce(options.TrunksOut, option, value());
        } else if (option == "--store") {
            SetOnce(options.Store, option, value());
        } else if (option == "--site") {
            options.Sites.push_back(value());
        } else if (option == "--coverage") {
            options.Coverage = true;
        } else if (option == "--tariffs") {
            SetOnce(options.Tariffs, option, value());
        } else if (option == "--check-tariffs") {
            SetOnce(options.CheckTariffs, option, value());
        } else if (option == "--directory") {
            SetOnce(options.Directory, option, value());
        } else if (option == "--department") {
            options.Departments.push_back(value());
        } else if (option == "--mask-digits") {
            const std::string digits = Digits(option, value());
            if (options.MaskDigits || digits.size() > 2) {
                throw ECommandLineError(option + ": given twice or above 99");
            }
            options.MaskDigits = static_cast<unsigned>(std::stoul(digits));
        } else if (option == "--check-directory") {
            SetOnce(options.CheckDirectory, option, value());
        } else if (option == "--check-alerts") {
            SetOnce(options.CheckAlerts, option, value());
        } else if (option == "--alerts") {
            SetOnce(options.Alerts, option, value());
        } else if (option == "--from" || option == "--to") {
            auto& target = option == "--from" ? options.From : options.To;
            if (target) {
                throw ECommandLineError(option + ": given twice");
            }
            target = DateTime(option, value(), option == "--to");
        } else if (option == "--period") {
            if (options.Period) {
                throw ECommandLineError(option + ": given twice");
            }
            options.Period = Choice(option, value(),
                                    std::map<std::string, report::TPeriodPreset>{
                                        {"today", report::TPeriodPreset::Today},
                                        {"yesterday", report::TPeriodPreset::Yesterday},
                                        {"thisweek", report::TPeriodPreset::ThisWeek},
                                        {"lastweek", report::TPeriodPreset::LastWeek},
                                        {"thismonth", report::TPeriodPreset::ThisMonth},
                                        {"lastmonth", report::TPeriodPreset::LastMonth}});
        } else if (option == "--csv") {
            AddCsv(options, option, value());
        } else if (option == "--xlsx") {
            SetOnce(options.XlsxOut, option, value());
        } else if (option == "--chart") {
            options.Charts.push_back(ChartOption(option, value()));
        } else if (option == "--sizing") {
            options.Sizing = true;
        } else if (option.size() > 1 && option.front() == '-') {
            throw ECommandLineError("unknown option " + option);
        } else {
            files.push_back(option);
        }
    }
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
                        every table and export (the call file is not changed);
                        --prefix matches the number as shown
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

The store (see README; the calls of many offices in one PostgreSQL database):
  --store URL           the calls of a store (a connection string:
                        "postgresql://user@host/db" or "host=... dbname=...")
                        instead of a call-accounting file
  --site NAME           only the calls of site NAME; may be repeated (none: every
                        site). With more than one site, line and trunk texts
                        begin with "NAME:" so each site's totals stay apart

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
the options.
)";
}

} // namespace tallyvox::reportcli
