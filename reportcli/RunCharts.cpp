#include "reportcli/RunCharts.h"

#include <QApplication>
#include <QSize>
#include <ostream>
#include <system_error>

#include "qtadapters/TrafficChart.h"
#include "report/Session.h"
#include "report/TrunkLoad.h"
#include "reportcli/Run.h"

namespace tallyvox::reportcli {

namespace {

constexpr const char* Program = "tallyvox-report: ";
// The pictures of a script: wide enough for fifteen line labels and a month of days.
const QSize ImageSize(1200, 700);

} // namespace

int RunCharts(int& argc, char** argv, const TReportOptions& options, const report::TDateTime& now,
              std::ostream& out, std::ostream& err) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    report::TTariffTable table;
    if (options.Tariffs && !ReadTariffs(*options.Tariffs, table, err)) {
        return 1;
    }
    const report::TPeriod period = options.PeriodAt(now);
    report::TReportSession session({&table});
    try {
        report::TCallFileSource source(options.CallFile);
        session.Load(source, period, true);
    } catch (const std::system_error& error) {
        err << Program << "cannot read " << options.CallFile << ": " << error.code().message()
            << "\n";
        return 1;
    }
    const report::TCallList& calls = session.Calls();
    report::TCallCostOf cost;
    if (session.Priced()) {
        cost = [&calls, &session](const report::TExtStr_rep& call) -> std::int64_t {
            return session.Costs().Calls[static_cast<std::size_t>(&call - &calls[0])].Cost;
        };
    }
    const TChartInput input{{calls.begin(), calls.end()}, period, cost};
    int status = 0;
    for (const auto& [kind, fileName] : options.Charts) {
        if (!ChartAvailable(kind, input)) {
            err << Program << ChartKindOf(kind).Name
                << ": no costs without a tariff table (--tariffs)\n";
            status = 1;
            continue;
        }
        const QString failure =
            SaveChart(kind, input, QString::fromLocal8Bit(fileName.c_str()), ImageSize);
        if (!failure.isEmpty()) {
            err << Program << "cannot write " << fileName << ": " << failure.toStdString() << "\n";
            status = 1;
        }
    }
    if (options.Sizing) {
        out << report::SizingText(report::TrunkLoad(input.Calls, input.Period));
    }
    return status;
}

} // namespace tallyvox::reportcli
