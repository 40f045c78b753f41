#include "tests/soak/Soak.h"

#include <algorithm>
#include <atomic>
#include <boost/make_shared.hpp>
#include <chrono>
#include <ostream>
#include <random>
#include <set>
#include <thread>

#include "callfile/CallLine.h"
#include "callfile/RecordHandler.h"
#include "exchange/CommError.h"
#include "exchange/LowLevel.h"
#include "sim/Simulator.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::soak {
namespace {

using namespace std::chrono_literals;
using TSteady = std::chrono::steady_clock;
using TSeconds = std::chrono::duration<double>;

// The longest a download may go without handing over a record or returning,
// in protocol time: a record command whose five attempts each find the link
// dead through all three link checks of eleven probes (each up to 700 ms of
// waiting, 300 ms apart), with the pauses between the attempts.
constexpr double LongestStallProtocolSeconds = 5 * (3 * (11 * 0.7 + 10 * 0.3) + 2 * 0.3) + 4 * 0.1;

constexpr const char* FaultNames[FaultKinds] = {
    "bad next-record checksum", "bad first-record checksum",   "silence",
    "reply of length 0",        "reply of length 1",           "noise bytes",
    "selection refused",        "line away (device reopened)", "call file away (folder renamed)"};

class TQuietNotifier : public TNotifier {
public:
    void ShowMessage(const std::string&, const std::string&) override {}
    void Terminate(int) override {}
};

// Keeps the most lines that waited in memory for the file, and the longest
// the download went without handing over a record or returning.
class TProgress : public callfile::TRecordListener {
public:
    void RecordHandled(const std::string&, int, int, std::size_t pendingLines) override {
        MostHeld = std::max(MostHeld, pendingLines);
        Step();
    }
    void Step() {
        const auto now = TSteady::now();
        LongestStall = std::max(LongestStall, TSeconds(now - Last).count());
        Last = now;
    }
    std::size_t MostHeld = 0;
    double LongestStall = 0;
    TSteady::time_point Last = TSteady::now();
};

sim::TScenario SoakScenario(const TSoakOptions& options) {
    sim::TScenario scenario = sim::SingleExchangeScenario(4, options.Records, options.Seed);
    scenario.Exchanges[0].Traffic.Erased = options.Erased;
    scenario.Exchanges[0].Capacity = 65000;
    scenario.Timing.FastMargin = 200us;
    return scenario;
}

sim::TCall ArrivingCall(std::mt19937& random) {
    sim::TCall call;
    call.DurationSeconds = random() % 900;
    call.HardwareLine = static_cast<std::uint16_t>(100 + random() % 200);
    call.DirectoryNumber = std::to_string(200 + random() % 60);
    call.TrunkCode = static_cast<std::uint8_t>(random() % 4);
    const int digits = call.TrunkCode == 0 ? 0 : static_cast<int>(random() % 12);
    for (int i = 0; i < digits; ++i) {
        call.Dialled += static_cast<char>('0' + random() % 10);
    }
    return call;
}

// Switches one seeded fault on at a time and off again at the next turn, adds
// calls while the buffer is read, and moves the call file's folder away and
// back. Runs until Finish.
class TChaos {
public:
    TChaos(sim::TSimulator& simulator, const TSoakOptions& options, std::filesystem::path folder)
        : Simulator(simulator), Options(options), Folder(std::move(folder)), Random(options.Seed),
          Thread([this] { Run(); }) {}
    ~TChaos() { Finish(); }

    // Ends every fault, puts the folder back and stops adding calls.
    void Finish() {
        if (Thread.joinable()) {
            Done = true;
            Thread.join();
            EndFaults();
        }
    }

    std::atomic<bool> LineWentAway{false};
    std::atomic<std::uint64_t> Arrived{0};
    std::array<int, FaultKinds> Counts{};

private:
    void Run() {
        auto nextFault = TSteady::now();
        auto nextCall = TSteady::now();
        while (!Done) {
            const auto now = TSteady::now();
            if (now >= nextCall) {
                Simulator.AddCall(0, ArrivingCall(Random));
                ++Arrived;
                nextCall = now + std::chrono::milliseconds(Options.ArriveEveryMs);
            }
            if (now >= nextFault) {
                EndFaults();
                SwitchOn(static_cast<TFaultKind>(Random() % FaultKinds));
                nextFault = now + std::chrono::milliseconds(Options.FaultEveryMs);
            }
            std::this_thread::sleep_until(std::min(nextCall, nextFault));
        }
    }

    void SwitchOn(TFaultKind kind) {
        const int some = 1 + static_cast<int>(Random() % 3);
        ++Counts[kind];
        if (kind == FileAway) {
            std::filesystem::rename(Folder, Away());
            FolderAway = true;
            return;
        }
        Simulator.ChangeFaults([&](sim::TFaults& faults) {
            switch (kind) {
            case BadNextChecksum:
                faults.NextRecordChecksumWrong = some;
                break;
            case BadFirstChecksum:
                faults.FirstRecordChecksumWrong = some;
                break;
            case Silence:
                faults.Probe = sim::TProbeFault::Silent;
                faults.ProbeFaultCount = 2 * some;
                break;
            case EmptyReply:
                faults.EmptyRecordReplies = some;
                break;
            case ShortReply:
                faults.EndAfterRecords = some;
                break;
            case Noise:
                faults.NoiseBytes = 4 * some;
                break;
            case RefusedSelection:
                faults.SelectionsAccepted = 0;
                break;
            case LineAway:
                faults.Probe = sim::TProbeFault::Silent;
                faults.ProbeFaultCount = 0;
                LineWentAway = true;
                break;
            case FileAway:
            case FaultKinds:
                break;
            }
        });
    }

    void EndFaults() {
        Simulator.SetFaults(sim::TFaults{});
        if (FolderAway) {
            std::filesystem::rename(Away(), Folder);
            FolderAway = false;
        }
    }

    std::filesystem::path Away() const { return Folder.string() + ".away"; }

    sim::TSimulator& Simulator;
    TSoakOptions Options;
    std::filesystem::path Folder;
    std::mt19937 Random;
    bool FolderAway = false;
    std::atomic<bool> Done{false};
    std::thread Thread;
};

// The host side: reads as continuous reading does, pass after pass, and closes
// and reopens the device when the line has gone away.
class TDriver {
public:
    TDriver(const TSoakOptions& options, const std::string& device, const std::string& callFile)
        : Device(device),
          Link(boost::make_shared<TLowLevel>(boost::make_shared<TScaledClock>(options.Speedup),
                                             boost::make_shared<TQuietNotifier>())),
          Handler(Link, &Progress) {
        Link->TariffFileName = callFile;
        Connect();
    }

    // One download pass; a port error ends it and the device is opened again.
    void Pass(TSoakFigures& figures) {
        Progress.Last = TSteady::now();
        try {
            Link->Download(std::ref(Handler));
        } catch (const ECommError&) {
            Reconnect();
        }
        Progress.Step();
        ++figures.Passes;
        figures.Rejected += static_cast<std::uint64_t>(Link->RejectedCount.exchange(0));
    }

    void Reconnect() {
        Link->Port->Close();
        Connect();
    }

    void Finish(TSoakFigures& figures) {
        Handler.FlushPending();
        figures.MostLinesHeld = Progress.MostHeld;
        figures.LongestStallSeconds = Progress.LongestStall;
    }

    TLowLevel& LowLevel() { return *Link; }

private:
    // As the window's reconnection does: open, then identify until it answers.
    void Connect() {
        for (;;) {
            try {
                Link->OpenPort(Device);
                if (Link->Identify() == 1) {
                    return;
                }
            } catch (const ECommError&) {
                Link->Port->Close();
            }
        }
    }

    std::string Device;
    TProgress Progress;
    boost::shared_ptr<TLowLevel> Link;
    callfile::TRecordHandler Handler;
};

std::vector<std::string> LinesOf(const std::string& text, std::vector<std::string>& violations) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            violations.push_back("the file ends with a torn line: \"" + text.substr(at) + "\"");
            break;
        }
        std::string line = text.substr(at, end - at);
        if (line.find_first_of("\r\n") != std::string::npos) {
            violations.push_back("line " + std::to_string(lines.size() + 1) +
                                 " holds a stray line end (two lines glued)");
        }
        lines.push_back(std::move(line));
        at = end + 2;
    }
    return lines;
}

// Every call record the exchange sent is in the file exactly once, in the order
// sent, as a complete line; erased ones were counted and are absent.
void Check(const sim::TSimulator& simulator, const TLowLevel& link, const std::string& fileText,
           TSoakFigures& figures) {
    std::vector<std::string> expected;
    for (const sim::TSentRecord& sent : simulator.SentRecords()) {
        if (IsRecord(sent.Payload.data())) {
            expected.push_back(callfile::FormatCallLine(
                link.DecodeRecord(sent.Payload.data(), sent.Payload.size())));
        } else {
            ++figures.Erased;
        }
    }
    figures.Sent = simulator.SentRecordCount();
    figures.Delivered = expected.size();
    std::vector<std::string>& violations = figures.Violations;
    const std::vector<std::string> lines = LinesOf(fileText, violations);
    figures.FileLines = lines.size();
    if (figures.Sent != figures.Offered) {
        violations.push_back("the exchange sent " + std::to_string(figures.Sent) + " of " +
                             std::to_string(figures.Offered) + " records offered");
    }
    if (figures.Rejected != figures.Erased) {
        violations.push_back("erased records sent " + std::to_string(figures.Erased) +
                             ", counted " + std::to_string(figures.Rejected));
    }
    const auto [want, got] =
        std::mismatch(expected.begin(), expected.end(), lines.begin(), lines.end());
    if (want != expected.end() || got != lines.end()) {
        std::multiset<std::string> absent(expected.begin(), expected.end());
        std::size_t foreign = 0;
        for (const std::string& line : lines) {
            const auto found = absent.find(line);
            found == absent.end() ? void(++foreign) : void(absent.erase(found));
        }
        violations.push_back(std::to_string(absent.size()) + " records sent are not in the file, " +
                             std::to_string(foreign) + " lines of the file were never sent");
        const auto index = std::to_string(want - expected.begin() + 1);
        violations.push_back("line " + index + " differs: expected \"" +
                             (want != expected.end() ? *want : "(none)") + "\", file has \"" +
                             (got != lines.end() ? *got : "(none)") + "\"");
    }
    if (figures.LongestStallSeconds > LongestStallProtocolSeconds) {
        violations.push_back("a download went " + std::to_string(figures.LongestStallSeconds) +
                             " s without progress");
    }
}

} // namespace

TSoakFigures RunSoak(const TSoakOptions& options, const std::filesystem::path& folder) {
    const auto start = TSteady::now();
    const std::filesystem::path files = folder / "calls";
    std::filesystem::create_directories(files);
    const std::string callFile = (files / "calls.txt").string();
    sim::TSimulator simulator(SoakScenario(options));
    simulator.Start();
    TSoakFigures figures;
    TDriver driver(options, simulator.DevicePath(), callFile);
    {
        TChaos chaos(simulator, options, files);
        while (simulator.SentRecordCount() < static_cast<std::uint64_t>(options.Records)) {
            driver.Pass(figures);
            if (chaos.LineWentAway.exchange(false)) {
                driver.Reconnect();
            }
        }
        chaos.Finish();
        figures.Faults = chaos.Counts;
        figures.Offered =
            static_cast<std::uint64_t>(options.Records + options.Erased) + chaos.Arrived;
    }
    // The rest of the buffer on a clean line; the pass that finds it empty ends it.
    do {
        driver.Pass(figures);
    } while (simulator.PendingRecords(0) > 0);
    driver.Finish(figures);
    figures.LongestStallSeconds *= options.Speedup; // in protocol time
    Check(simulator, driver.LowLevel(), testkit::FileContents(callFile), figures);
    figures.WallSeconds = TSeconds(TSteady::now() - start).count();
    return figures;
}

void PrintFigures(std::ostream& out, const TSoakFigures& figures) {
    out << "records offered " << figures.Offered << ", sent " << figures.Sent << ", delivered "
        << figures.Delivered << ", erased " << figures.Erased << " (counted " << figures.Rejected
        << ")\n";
    out << "faults injected:";
    for (int kind = 0; kind < FaultKinds; ++kind) {
        out << (kind == 0 ? " " : ", ") << FaultNames[kind] << " " << figures.Faults[kind];
    }
    out << "\nlines in the file " << figures.FileLines << ", most lines held in memory "
        << figures.MostLinesHeld << ", download passes " << figures.Passes
        << ", longest wait without progress " << figures.LongestStallSeconds
        << " s (protocol time)\nwall time " << figures.WallSeconds << " s\n";
    for (const std::string& violation : figures.Violations) {
        out << "VIOLATION: " << violation << "\n";
    }
}

} // namespace tallyvox::soak
