// The report window on a call-accounting file of a million calls (about 78 MB):
// from the end of the open dialog to the grids painted, a sort of the line
// totals, and a selection by number prefix. Runs on the offscreen platform
// unless another is asked for.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/ChartsView.h"
#include "app/MainForm_rep.h"
#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "model/Record.h"
#include "report/Load.h"
#include "report/Totals.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"

namespace {

constexpr int DistinctCalls = 10000;
constexpr int Repeats = 100;

// A million call lines: ten thousand simulated calls, written a hundred times.
const std::string& CallFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "tallyvox-million-calls.txt";
        tallyvox::TCalendarTime end;
        end.Year = 2024;
        end.Month = 3;
        end.Day = 31;
        end.Hour = 18;
        tallyvox::TDecodeContext context;
        context.ModelName = "Arden-L1";
        context.CurrentYear = end.Year;
        std::string block;
        for (const auto& call :
             tallyvox::sim::TTrafficGenerator(1, tallyvox::sim::TTrunkPlan::Arden, 0)
                 .History(DistinctCalls, end)) {
            const auto payload = tallyvox::sim::EncodeCall(call, 6);
            block += tallyvox::callfile::FormatCallLine(
                         tallyvox::DecodeRecordPayload(payload.data(), payload.size(), context)) +
                     "\r\n";
        }
        std::ofstream out(file, std::ios::binary);
        out << tallyvox::callfile::HeaderDateLine(end) << "\r\n"
            << tallyvox::callfile::HeaderTitleLine() << "\r\n";
        for (int i = 0; i < Repeats; ++i) {
            out << block;
        }
        return file.string();
    }();
    return path;
}

std::unique_ptr<tallyvox::app::TMainForm_rep> Shown;

tallyvox::app::TMainForm_rep& Form() {
    if (!Shown) {
        Shown = std::make_unique<tallyvox::app::TMainForm_rep>();
        Shown->show();
        QApplication::processEvents();
    }
    return *Shown;
}

void Trigger(const char* action) {
    Form().findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

void BM_LoadToGridsShown(benchmark::State& state) {
    const QString file = QString::fromStdString(CallFile());
    for (auto _ : state) {
        Form().LoadFile(file);
        Form().repaint();
    }
    state.SetLabel(std::to_string(std::filesystem::file_size(CallFile()) >> 20) + " MB");
}
BENCHMARK(BM_LoadToGridsShown)->Unit(benchmark::kMillisecond)->Iterations(3);

// The report's own part of the above, for the window's share of it.
void BM_ModelLoadAndTotals(benchmark::State& state) {
    for (auto _ : state) {
        tallyvox::report::TCallList calls = tallyvox::report::LoadCallFile(CallFile());
        benchmark::DoNotOptimize(tallyvox::report::BuildLineList(calls));
        benchmark::DoNotOptimize(tallyvox::report::BuildTrunkList(calls));
    }
}
BENCHMARK(BM_ModelLoadAndTotals)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortLineTotals(benchmark::State& state) {
    Form().LoadFile(QString::fromStdString(CallFile()));
    bool byTotal = false;
    for (auto _ : state) {
        // Alternate keys, so every round really reorders.
        Trigger((byTotal = !byTotal) ? "N7" : "N3");
        Form().repaint();
    }
}
BENCHMARK(BM_SortLineTotals)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SelectByPrefix(benchmark::State& state) {
    Form().LoadFile(QString::fromStdString(CallFile()));
    auto* prefix = Form().findChild<QLineEdit*>(QStringLiteral("FilterEdit"));
    auto* run = Form().findChild<QPushButton*>(QStringLiteral("Button4"));
    bool narrow = false;
    for (auto _ : state) {
        prefix->setText((narrow = !narrow) ? QStringLiteral("8") : QString());
        run->click();
        Form().repaint();
    }
}
BENCHMARK(BM_SelectByPrefix)->Unit(benchmark::kMillisecond)->Iterations(6);

// The chart shown redrawn after the calls change, as a period change does:
// every round alternates between all calls and the first half of them.
void BM_ChartAfterPeriodChange(benchmark::State& state) {
    const auto kind = static_cast<tallyvox::reportcli::TChartKind>(state.range(0));
    static const tallyvox::report::TCallList calls = tallyvox::report::LoadCallFile(CallFile());
    const tallyvox::report::TCallSpan all(calls.begin(), calls.end());
    tallyvox::app::TChartsView& view = *Form().ChartsWindow();
    view.ShowKind(kind);
    view.show();
    // A kopeck a second of outgoing talk, so that the costs chart has costs.
    const auto cost = [](const tallyvox::report::TExtStr_rep& call) -> std::int64_t {
        return call.IsIncoming() ? 0 : call.TotalSeconds;
    };
    bool half = false;
    for (auto _ : state) {
        view.SetInput({(half = !half) ? all.first(all.size() / 2) : all, {}, cost});
        view.repaint();
    }
    state.SetLabel(tallyvox::reportcli::ChartKindOf(kind).Name.data());
}
BENCHMARK(BM_ChartAfterPeriodChange)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);

// A period change in the window with the charts shown: the window's own work
// (the calls of the period, totals, grids) and the chart's redraw, alternating
// between March 2024 and the whole file.
void BM_PeriodChangeWithChart(benchmark::State& state) {
    Form().LoadFile(QString::fromStdString(CallFile()));
    tallyvox::app::TChartsView& view = *Form().ChartsWindow();
    view.ShowKind(static_cast<tallyvox::reportcli::TChartKind>(state.range(0)));
    view.show();
    const tallyvox::report::TPeriod march{tallyvox::report::TDateTime{2024, 3, 1, 0, 0, 0},
                                          tallyvox::report::TDateTime{2024, 3, 31, 23, 59, 59}};
    bool narrow = false;
    for (auto _ : state) {
        Form().SetPeriod((narrow = !narrow) ? march : tallyvox::report::TPeriod{});
        Form().repaint();
        view.repaint();
    }
    state.SetLabel(tallyvox::reportcli::ChartKindOf(view.Kind()).Name.data());
}
BENCHMARK(BM_PeriodChangeWithChart)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(6);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Shown.reset();
    std::filesystem::remove(CallFile());
    return 0;
}
