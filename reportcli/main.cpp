// tallyvox-report: the report of a call-accounting file from a script.

#include <cstdio>
#include <iostream>

#include "reportcli/CommandLine.h"
#include "reportcli/LocaleDate.h"
#include "reportcli/Run.h"
#include "reportcli/RunCharts.h"

int main(int argc, char** argv) {
    using namespace tallyvox::reportcli;
    TReportOptions options;
    try {
        options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const ECommandLineError& error) {
        std::cerr << "tallyvox-report: " << error.what() << "\n" << Usage();
        return 2;
    }
    if (options.Help) {
        std::cout << Usage();
        return 0;
    }
    // Charts alone print no tables.
    int status = 0;
    if (options.WritesExports() || !options.WantsCharts()) {
        status = RunReport(
            options, [&] { return LocaleDateFormat(QLocale::system(), options.DateFormat); },
            stdout, std::cerr);
    }
    if (status == 0 && options.WantsCharts()) {
        status = RunCharts(argc, argv, options, std::cout, std::cerr);
    }
    return status;
}
