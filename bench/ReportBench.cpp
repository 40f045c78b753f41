// The report on call files of 10 000, 100 000 and 1 000 000 calls of generated
// office traffic, side by side with the shell tools on the same file: the
// library's load and totals in-process; tallyvox-report end to end writing the
// line and trunk exports, unpriced and priced; mawk summing the talk time per
// hardware line; wc -l. bench/report_speed.sh prints the ratios of one run.
// The programs' peak memory (from /usr/bin/time) is printed as the counter
// peak_MB, the file's size as file_MB.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "callfile/CallLine.h"
#include "model/Record.h"
#include "report/Costs.h"
#include "report/Load.h"
#include "report/TariffReader.h"
#include "report/Totals.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace tallyvox;

// Arden traffic, through the exchange's record bytes and the capture side's
// decoding and line writer, as a read would write it. A large file is made of
// the histories of several exchanges of at most ChunkCalls calls each: one
// exchange's buffer history of a million calls would reach back past 1980.
constexpr int ChunkCalls = 100000;

fs::path CallFile(int calls) {
    static std::map<int, fs::path> made;
    if (const auto found = made.find(calls); found != made.end()) {
        return found->second;
    }
    const fs::path path =
        fs::temp_directory_path() / ("tallyvox-report-bench-" + std::to_string(calls) + ".txt");
    TDecodeContext context;
    context.TimeUnit = 6;
    context.ModelName = "Arden-L1";
    context.CurrentYear = 2026;
    std::ofstream file(path, std::ios::binary);
    for (int made = 0, seed = 1; made < calls; made += ChunkCalls, ++seed) {
        sim::TTrafficGenerator generator(static_cast<std::uint32_t>(seed), sim::TTrunkPlan::Arden,
                                         0);
        for (const sim::TCall& call :
             generator.History(std::min(ChunkCalls, calls - made), {2026, 11, 30, 18, 0, 0})) {
            const std::vector<std::uint8_t> payload = sim::EncodeCall(call, 6);
            file << callfile::FormatCallLine(
                        DecodeRecordPayload(payload.data(), payload.size(), context))
                 << "\r\n";
        }
    }
    made[calls] = path;
    return path;
}

// Runs a program to its end under /usr/bin/time; its peak resident memory in
// megabytes (wait4 would count the parent's pages that the child shared before exec).
double Run(const std::vector<std::string>& arguments, const std::string& output) {
    const std::string peakFile =
        (fs::temp_directory_path() / "tallyvox-report-bench-peak").string();
    std::vector<std::string> timed{"/usr/bin/time", "-f", "%M", "-o", peakFile};
    timed.insert(timed.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (const std::string& argument : timed) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + arguments[0]);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(arguments[0] + " failed");
    }
    double peakKb = 0;
    std::ifstream(peakFile) >> peakKb;
    return peakKb / 1024.0;
}

void Figures(benchmark::State& state, const fs::path& file, double peakMb) {
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / (1024.0 * 1024.0);
    if (peakMb > 0) {
        state.counters["peak_MB"] = peakMb;
    }
}

void BM_LoadAndTotals(benchmark::State& state) {
    const fs::path file = CallFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const report::TCallList calls = report::LoadCallFile(file.string());
        benchmark::DoNotOptimize(report::BuildLineList(calls).Count());
        benchmark::DoNotOptimize(report::BuildTrunkList(calls).Count());
    }
    Figures(state, file, 0);
}

// A carrier's table of a few thousand rows: every long-distance area code with an
// evening band and a price change, the mobile codes, countries, local numbers.
report::TTariffTable LargeTariffTable() {
    std::string text = "prefix;name;price_per_minute;initial_seconds;step_seconds;free_seconds;"
                       "connection_fee;from;to;valid_from\n;Other;2;;;;;;;\n";
    auto rows = [&text](const std::string& prefix, const std::string& name,
                        const std::string& price, const std::string& blocks) {
        text += prefix + ";" + name + ";" + price + ";" + blocks + ";;;\n";
        text += prefix + ";" + name + ";0,5;" + blocks + ";19:00;08:00;\n";
        text += prefix + ";" + name + ";4,1;" + blocks + ";;;2026-11-15\n";
    };
    for (int area = 300; area <= 899; ++area) {
        rows("8" + std::to_string(area), "Area " + std::to_string(area), "3,2", "60;60;;1");
    }
    for (int code = 0; code <= 99; ++code) {
        rows("89" + std::to_string(100 + code).substr(1), "Mobile", "1,9", "1;1;3;");
    }
    for (int country = 1; country <= 299; ++country) {
        rows("810" + std::to_string(country), "Country " + std::to_string(country), "25", "30;6;;");
    }
    for (char first = '2'; first <= '9'; ++first) {
        if (first != '8') {
            rows(std::string(1, first), "Local", "0,5", "60;60;;");
        }
    }
    return report::ReadTariffText(text, "bench.csv");
}

// The same load and totals, and every call priced: line, trunk and destination
// costs. Side by side with BM_LoadAndTotals, the cost of pricing.
void BM_LoadAndTotalsWithCosts(benchmark::State& state) {
    const fs::path file = CallFile(static_cast<int>(state.range(0)));
    const report::TTariffTable table = LargeTariffTable();
    for (auto _ : state) {
        const report::TCallList calls = report::LoadCallFile(file.string());
        benchmark::DoNotOptimize(report::BuildLineList(calls).Count());
        benchmark::DoNotOptimize(report::BuildTrunkList(calls).Count());
        benchmark::DoNotOptimize(report::PriceCalls(calls, table).Total);
    }
    Figures(state, file, 0);
    state.counters["tariff_rows"] = static_cast<double>(table.Rows().size());
}

void BM_ReportProgram(benchmark::State& state) {
    const fs::path file = CallFile(static_cast<int>(state.range(0)));
    const fs::path folder = file.parent_path();
    double peak = 0;
    for (auto _ : state) {
        peak = Run({TALLYVOX_REPORT_PROGRAM, file.string(), "--lines",
                    (folder / "tallyvox-report-bench-lines.txt").string(), "--trunks",
                    (folder / "tallyvox-report-bench-trunks.txt").string()},
                   "/dev/null");
    }
    Figures(state, file, peak);
}

// The same priced by the example tariff table: the same exports, every call priced.
void BM_ReportProgramPriced(benchmark::State& state) {
    const fs::path file = CallFile(static_cast<int>(state.range(0)));
    const fs::path folder = file.parent_path();
    double peak = 0;
    for (auto _ : state) {
        peak = Run({TALLYVOX_REPORT_PROGRAM, file.string(), "--tariffs", TALLYVOX_TARIFFS,
                    "--lines", (folder / "tallyvox-report-bench-lines.txt").string(), "--trunks",
                    (folder / "tallyvox-report-bench-trunks.txt").string()},
                   "/dev/null");
    }
    Figures(state, file, peak);
}

// Talk time per hardware line: the duration is the third field, the line the
// first three characters of the fourth.
void BM_MawkTalkTimePerLine(benchmark::State& state) {
    const fs::path file = CallFile(static_cast<int>(state.range(0)));
    double peak = 0;
    for (auto _ : state) {
        peak = Run({"mawk",
                    "{ split($3, t, \":\"); s[substr($4, 1, 3)] += t[1] * 3600 + t[2] * 60 + t[3] }"
                    " END { for (h in s) print h, s[h] }",
                    file.string()},
                   "/dev/null");
    }
    Figures(state, file, peak);
}

void BM_WcLines(benchmark::State& state) {
    const fs::path file = CallFile(static_cast<int>(state.range(0)));
    double peak = 0;
    for (auto _ : state) {
        peak = Run({"wc", "-l", file.string()}, "/dev/null");
    }
    Figures(state, file, peak);
}

#define REPORT_SIZES Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_LoadAndTotals)->REPORT_SIZES;
BENCHMARK(BM_LoadAndTotalsWithCosts)->REPORT_SIZES;
BENCHMARK(BM_ReportProgram)->REPORT_SIZES->UseRealTime();
BENCHMARK(BM_ReportProgramPriced)->REPORT_SIZES->UseRealTime();
BENCHMARK(BM_MawkTalkTimePerLine)->REPORT_SIZES->UseRealTime();
BENCHMARK(BM_WcLines)->REPORT_SIZES->UseRealTime();

} // namespace
