// The report on call files of 10 000, 100 000 and 1 000 000 calls of generated
// office traffic, side by side with the shell tools on the same file: the
// library's load and totals in-process; tallyvox-report end to end writing the
// line and trunk exports; mawk summing the talk time per hardware line; wc -l.
// The programs' peak memory (from /usr/bin/time) is printed as the counter
// peak_MB, the file's size as file_MB.

#include <benchmark/benchmark.h>

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
#include "exchange/Record.h"
#include "report/Load.h"
#include "report/Totals.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace tallyvox;

// Arden traffic of one exchange, through the exchange's record bytes and the
// capture side's decoding and line writer, as a read would write it.
fs::path CallFile(int calls) {
    static std::map<int, fs::path> made;
    if (const auto found = made.find(calls); found != made.end()) {
        return found->second;
    }
    const fs::path path =
        fs::temp_directory_path() / ("tallyvox-report-bench-" + std::to_string(calls) + ".txt");
    sim::TTrafficGenerator generator(1, sim::TTrunkPlan::Arden, 0);
    TDecodeContext context;
    context.TimeUnit = 6;
    context.ModelName = "Arden-L1";
    context.CurrentYear = 2026;
    std::ofstream file(path, std::ios::binary);
    for (const sim::TCall& call : generator.History(calls, {2026, 11, 30, 18, 0, 0})) {
        const std::vector<std::uint8_t> payload = sim::EncodeCall(call, 6);
        file << callfile::FormatCallLine(
                    DecodeRecordPayload(payload.data(), payload.size(), context))
             << "\r\n";
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
BENCHMARK(BM_ReportProgram)->REPORT_SIZES->UseRealTime();
BENCHMARK(BM_MawkTalkTimePerLine)->REPORT_SIZES->UseRealTime();
BENCHMARK(BM_WcLines)->REPORT_SIZES->UseRealTime();

} // namespace
