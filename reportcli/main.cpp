// tallyvox-report: the report of a call-accounting file from a script.

#include <QDateTime>
#include <cstdio>
#include <iostream>

#include "qtadapters/LocaleDate.h"
#include "qtadapters/RuntimeFolder.h"
#include "reportcli/CommandLine.h"
#include "reportcli/Run.h"
#include "reportcli/RunCharts.h"

int main(int argc, char** argv) {
    using namespace tallyvox::reportcli;
    UsePrivateRuntimeFolder();
    TReportOptions options;
    if (const auto end = tallyvox::cli::ReadOptions("tallyvox-report", argc, argv, ParseCommandLine,
                                                    Usage, options)) {
        return *end;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const tallyvox::report::TDateTime today{static_cast<std::uint16_t>(now.date().year()),
                                            static_cast<std::uint8_t>(now.date().month()),
                                            static_cast<std::uint8_t>(now.date().day()),
                                            static_cast<std::uint8_t>(now.time().hour()),
                                            static_cast<std::uint8_t>(now.time().minute()),
                                            static_cast<std::uint8_t>(now.time().second())};
    // Charts alone print no tables.
    int status = 0;
    if (options.WritesExports() || options.OnlyChecks() || !options.WantsCharts()) {
        status = RunReport(
            options, [&] { return LocaleDateFormat(QLocale::system(), options.DateFormat); }, today,
            stdout, std::cerr);
    }
    if (status == 0 && options.WantsCharts() && !options.OnlyChecks()) {
        status = RunCharts(argc, argv, options, today, std::cout, std::cerr);
    }
    return status;
}
