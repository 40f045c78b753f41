// How fast the capture path empties an exchange over a real line, against the
// fastest that any host could go on it, and what each record costs the host's
// processor. The simulator runs in-process on a pseudo-terminal; the host side
// is the program's own: TLowLevel, the record handler and the call-accounting
// file.
//
//   tallyvox_capture_bench [--records N] [--turnaround US] [--arrive-every MS]

#include <boost/make_shared.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "callfile/RecordHandler.h"
#include "exchange/LowLevel.h"
#include "model/Protocol.h"
#include "sim/Simulator.h"

namespace {

using namespace tallyvox;
using TSteady = std::chrono::steady_clock;
using TSeconds = std::chrono::duration<double>;

struct TOptions {
    int Records = 2000;
    long TurnaroundUs = 0;
    int ArriveEveryMs = 50;
};

class TSilentNotifier : public TNotifier {
public:
    void ShowMessage(const std::string&, const std::string&) override {}
    void Terminate(int) override {}
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// What the line itself costs one next record of a payload of length bytes: the
// link check before it and the one inside the command (five probes each, a byte
// out and a byte back), the command byte, and the framed reply (length byte,
// payload, checksum), with the exchange's turnaround before each of its eleven
// replies. Nothing else in the record loop is mandated: no pause on a clean line.
TSeconds LineTimeOfRecord(std::size_t length, std::chrono::microseconds turnaround) {
    constexpr int ProbesPerRecord = 2 * 5;
    const double byteTime = static_cast<double>(protocol::BitsPerByte) / protocol::BaudRate;
    const double bytes = 2.0 * ProbesPerRecord + 1 + (1 + static_cast<double>(length) + 1);
    const double replies = ProbesPerRecord + 1;
    return TSeconds(bytes * byteTime + replies * std::chrono::duration<double>(turnaround).count());
}

// One capture run: the simulator with records calls, the host reading them
// into a call-accounting file. Everything the figures need is kept.
struct TCaptureRun {
    std::vector<TSteady::time_point> Delivered; // when each record reached the file
    std::vector<std::size_t> Lengths;           // payload length of each record sent
    TSeconds Identify{};
    TSeconds Download{};
    double DownloadCpu = 0;
    int Result = 0;
};

sim::TScenario ScenarioOf(const TOptions& options, sim::TTimingMode mode, bool arrivals) {
    sim::TScenario scenario = sim::SingleExchangeScenario(4, options.Records, 11);
    scenario.Exchanges[0].Capacity = static_cast<std::uint16_t>(options.Records + 2000);
    scenario.Timing.Mode = mode;
    scenario.Timing.Turnaround = std::chrono::microseconds(options.TurnaroundUs);
    scenario.Timing.FastMargin = scenario.Timing.Turnaround;
    if (arrivals) {
        scenario.Arrivals.EveryMs = options.ArriveEveryMs;
    }
    return scenario;
}

TCaptureRun Capture(sim::TScenario scenario, const std::filesystem::path& folder) {
    sim::TSimulator simulator(std::move(scenario));
    simulator.Start();
    auto link = boost::make_shared<TLowLevel>(boost::make_shared<TSystemClock>(),
                                              boost::make_shared<TSilentNotifier>());
    TCaptureRun run;
    if (link->OpenPort(simulator.DevicePath()) != 1) {
        std::fprintf(stderr, "cannot open %s\n", simulator.DevicePath().c_str());
        std::exit(1);
    }
    link->TariffFileName = (folder / "calls.txt").string();
    std::filesystem::remove(link->TariffFileName);
    callfile::TRecordHandler handler(link, nullptr);
    const auto identifyStart = TSteady::now();
    if (link->Identify() != 1) {
        std::fprintf(stderr, "the simulated exchange was not identified\n");
        std::exit(1);
    }
    const auto downloadStart = TSteady::now();
    const double cpuStart = ThreadCpuSeconds();
    run.Result = link->Download([&](const TRecord& record) {
        handler(record);
        run.Delivered.push_back(TSteady::now());
    });
    run.DownloadCpu = ThreadCpuSeconds() - cpuStart;
    run.Identify = downloadStart - identifyStart;
    run.Download = TSteady::now() - downloadStart;
    for (const sim::TSentRecord& sent : simulator.SentRecords()) {
        run.Lengths.push_back(sent.Payload.size());
    }
    return run;
}

// The record phase, from the first record's arrival to the last one's: records
// 2 to N, each a next-record command, measured against the line's own time.
void PrintRecordPhase(const char* title, const TCaptureRun& run, std::chrono::microseconds turn) {
    const std::size_t count = std::min(run.Delivered.size(), run.Lengths.size());
    if (count < 2) {
        std::printf("%s: fewer than two records\n", title);
        return;
    }
    TSeconds limit{};
    for (std::size_t i = 1; i < count; ++i) {
        limit += LineTimeOfRecord(run.Lengths[i], turn);
    }
    const TSeconds took = run.Delivered[count - 1] - run.Delivered[0];
    const double records = static_cast<double>(count - 1);
    std::printf("%s: %zu records (download result %d), identification %.3f s, download %.3f s\n",
                title, count, run.Result, run.Identify.count(), run.Download.count());
    std::printf("  record phase: %.3f s, %.1f records/s; line's limit %.3f s, %.1f records/s;"
                " fraction of the limit %.3f\n",
                took.count(), records / took.count(), limit.count(), records / limit.count(),
                limit.count() / took.count());
}

TOptions ReadOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (option == "--records") {
            options.Records = static_cast<int>(value);
        } else if (option == "--turnaround") {
            options.TurnaroundUs = value;
        } else if (option == "--arrive-every") {
            options.ArriveEveryMs = static_cast<int>(value);
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const TOptions options = ReadOptions(argc, argv);
    const std::chrono::microseconds turnaround(options.TurnaroundUs);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tallyvox-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("line: %d baud, %d bits a byte; exchange turnaround %ld us; %d records\n",
                protocol::BaudRate, protocol::BitsPerByte, options.TurnaroundUs, options.Records);

    PrintRecordPhase("single read, real line",
                     Capture(ScenarioOf(options, sim::TTimingMode::RealLine, false), folder),
                     turnaround);
    const std::string continuous =
        "continuous pass, a call arriving every " + std::to_string(options.ArriveEveryMs) + " ms";
    PrintRecordPhase(continuous.c_str(),
                     Capture(ScenarioOf(options, sim::TTimingMode::RealLine, true), folder),
                     turnaround);

    const TCaptureRun instant = Capture(ScenarioOf(options, sim::TTimingMode::Fast, false), folder);
    const double perRecord =
        instant.Delivered.empty()
            ? 0
            : instant.DownloadCpu / static_cast<double>(instant.Delivered.size());
    std::printf("instant line: %zu records in %.3f s; host CPU %.3f s, %.1f us a record\n",
                instant.Delivered.size(), instant.Download.count(), instant.DownloadCpu,
                perRecord * 1e6);
    std::filesystem::remove_all(folder);
    return 0;
}
