#include "reportcli/CommandLine.h"

#include <algorithm>
#include <map>

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

void SetPeriodEnd(TReportOptions& options, const std::string& option, const std::string& value) {
    const bool to = option == "--to";
    const std::optional<report::TDateTime> time = report::ParseDateTime(value, to);
    if (!time) {
        throw ECommandLineError(option + ": expected YYYY-MM-DD[ hh:mm[:ss]], not \"" + value +
                                "\"");
    }
    report::TPeriod& period = options.Period ? *options.Period : options.Period.emplace();
    (to ? period.To : period.From) = *time;
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
        } else if (option == "--from" || option == "--to") {
            SetPeriodEnd(options, option, value());
        } else if (option.size() > 1 && option.front() == '-') {
            throw ECommandLineError("unknown option " + option);
        } else {
            files.push_back(option);
        }
    }
    if (options.Help) {
        return options;
    }
    CheckSource(options, files);
    return options;
}

std::string Usage() {
    return R"(usage: tallyvox-report CALLFILE [options]
       tallyvox-report --store URL [--site NAME]... [options]
Loads a call-accounting file (or the calls of a store), totals the talk time of every subscriber line and
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
  --from DATETIME       only the calls that start at or after DATETIME
  --to DATETIME         only the calls that start at or before DATETIME
                        (YYYY-MM-DD, YYYY-MM-DD hh:mm or YYYY-MM-DD hh:mm:ss; a date
                        alone is its first second for --from, its last for --to);
                        with a period, the line count is the count of its calls
  --store URL           the calls of a PostgreSQL store (a connection string:
                        "postgresql://user@host/db" or "host=... dbname=...")
                        instead of a call-accounting file
  --site NAME           only the calls of site NAME; may be repeated. With more
                        than one site, line and trunk texts begin with "NAME:"
  --help                show this text

Exit status: 0 done, 1 the call file or the store cannot be read or an export
cannot be written, 2 a mistake in the options.
)";
}

} // namespace tallyvox::reportcli
