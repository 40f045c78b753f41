// tallyvox-report: the report of a call-accounting file from a script. The
// runs that need no Qt, no store and no alert rules are made here; the others
// go on in tallyvox-report-full (FullProgram.h).

#include <cstdio>
#include <ctime>
#include <iostream>

#include "reportcli/CommandLine.h"
#include "reportcli/FullProgram.h"
#include "reportcli/Run.h"

namespace {

// The local time, which the period presets count from.
tallyvox::report::TDateTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {static_cast<std::uint16_t>(local.tm_year + 1900),
            static_cast<std::uint8_t>(local.tm_mon + 1),
            static_cast<std::uint8_t>(local.tm_mday),
            static_cast<std::uint8_t>(local.tm_hour),
            static_cast<std::uint8_t>(local.tm_min),
            static_cast<std::uint8_t>(local.tm_sec)};
}

} // namespace

int main(int argc, char** argv) {
    using namespace tallyvox::reportcli;
    TReportOptions options;
    if (const auto end = tallyvox::cli::ReadOptions("tallyvox-report", argc, argv, ParseCommandLine,
                                                    Usage, options)) {
        return *end;
    }
    if (NeedsFullProgram(options)) {
        return RunFullProgram(argv);
    }
    // The call export, the one user of the locale's date format, is the full
    // program's: no date is written here.
    return RunReport(
        options, [] { return tallyvox::report::TDateFormat("dd.MM.yyyy"); }, LocalNow(), stdout,
        std::cerr);
}
