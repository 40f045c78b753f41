#include "sim/Simulator.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

#include "model/Protocol.h"
#include "sim/BoundedLog.h"
#include "sim/CommandParser.h"
#include "sim/ExchangeModel.h"
#include "sim/PseudoTerminal.h"

namespace tallyvox::sim {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// One byte on the exchange's line: 11 bits at 19200 baud.
constexpr auto ByteTime = std::chrono::duration_cast<TClock::duration>(
    std::chrono::nanoseconds(1'000'000'000LL * protocol::BitsPerByte / protocol::BaudRate));
// Longest wait in one poll, so arrivals and a stop are seen soon.
constexpr auto PollSlice = 50ms;
// A hang-up on the master (it cannot come while the device is held) is not
// polled for again at once.
constexpr auto NobodyThereNap = 2ms;
// After a host opens the device, how long and how often its exclusive hold is
// looked for and ended, so that it can open the device again after closing it.
constexpr auto ExclusiveWatch = 200ms;
constexpr auto ExclusiveWatchSlice = 1ms;
// A host that stops reading: bytes that do not fit its queue in time are lost.
constexpr int WriteStallMs = 100;
} // namespace

struct TSimulator::TImpl {
    explicit TImpl(TScenario scenario)
        : Timing(scenario.Timing), Model(std::move(scenario), TClock::now()) {}

    void Run();
    void Serve();
    bool Receive(TClock::time_point now, bool hostMayHaveCome = true);
    void Handle(const TCommand& command, TClock::time_point lastByte);
    bool Send(const std::vector<std::uint8_t>& bytes, TClock::time_point firstDue);
    void SaveState();
    bool WriteByte(std::uint8_t byte);
    bool WriteBytes(const std::vector<std::uint8_t>& bytes);
    bool HostThere() const { return Watch < 0 || HostOpens > 0; }
    void Watched(TClock::time_point now);
    void HostCame(TClock::time_point now);
    void HostLeft(TClock::time_point now);
    void AbandonCommand(TClock::time_point now);
    void HangUp();
    int PollTimeoutMs(TClock::time_point now);

    TTiming Timing;
    std::optional<TPseudoTerminal> Pty;
    std::string Path;
    std::string Link;
    std::string StateFile; // empty: nothing kept between runs
    std::thread Thread;
    std::atomic<bool> Stopping{false};
    std::atomic<bool> Up{false};
    int WakeRead = -1;
    int WakeWrite = -1;

    // Owned by the exchange thread.
    TCommandParser Parser;
    TClock::time_point LastByteAt;
    int Watch = -1;    // opens and closes of the device; -1: not watched
    int HostOpens = 0; // the host's open descriptions of the device
    TClock::time_point WatchExclusiveUntil;
    TClock::time_point InboundFree;  // when the host's last byte has crossed the line
    TClock::time_point OutboundFree; // when the line towards the host is free

    mutable std::mutex Lock;
    mutable std::condition_variable CommandLogged;
    TExchangeModel Model;
    std::vector<std::uint8_t> Received;
    std::vector<TCommandSeen> Seen;
};

void TSimulator::TImpl::Run() {
    if (Timing.Mode == TTimingMode::RealLine) {
        // A byte takes about 570 us: the default 50 us of slack on every wake-up
        // would stretch each round trip by a tenth.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    try {
        Serve();
    } catch (const std::exception&) {
        // Nothing on this thread may end the process: the line just goes away.
    }
    HangUp();
}

void TSimulator::TImpl::Serve() {
    while (!Stopping) {
        const auto now = TClock::now();
        {
            std::lock_guard guard(Lock);
            Model.AddArrivals(now);
        }
        if (Parser.MidCommand() && now - LastByteAt >= Timing.CommandGiveUp) {
            AbandonCommand(now);
        }
        pollfd fds[3] = {{Pty->Master(), POLLIN, 0}, {WakeRead, POLLIN, 0}, {Watch, POLLIN, 0}};
        const int ready = poll(fds, 3, PollTimeoutMs(now));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        // Opens and closes first: every byte on the line was sent after its
        // host's open, and is answered only while that host is still there.
        if (Watch >= 0) {
            Watched(TClock::now());
        }
        const bool heard = (fds[0].revents & POLLIN) && Receive(TClock::now());
        if (!heard && (fds[0].revents & (POLLHUP | POLLERR | POLLIN))) {
            std::this_thread::sleep_for(NobodyThereNap); // the master has nobody to hear
        }
        if (HostThere()) {
            Pty->ReleaseExclusive();
        }
        if (!Up) {
            break;
        }
    }
}

int TSimulator::TImpl::PollTimeoutMs(TClock::time_point now) {
    const auto inMs = [](TClock::duration span) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(span);
    };
    std::chrono::milliseconds wait = PollSlice;
    std::optional<TClock::time_point> due;
    {
        std::lock_guard guard(Lock);
        due = Model.NextArrival();
    }
    if (due) {
        wait = std::min(wait, inMs(*due - now) + 1ms);
    }
    if (now < WatchExclusiveUntil) {
        wait = std::min(wait, inMs(ExclusiveWatchSlice));
    }
    if (Parser.MidCommand()) {
        wait = std::min(wait, inMs(LastByteAt + Timing.CommandGiveUp - now) + 1ms);
    }
    return static_cast<int>(std::max(wait, 0ms).count());
}

// Reads and answers what the host sent; false when nothing could be read.
// hostMayHaveCome is false while what a host left behind as it closed is read.
bool TSimulator::TImpl::Receive(TClock::time_point now, bool hostMayHaveCome) {
    std::uint8_t buffer[256];
    const ssize_t count = read(Pty->Master(), buffer, sizeof buffer);
    if (count <= 0) {
        return false;
    }
    // Every byte was sent after its host's open. An open that came after the
    // watch was last read is counted now, or the answer would go to nobody.
    if (hostMayHaveCome && Watch >= 0 && HostOpens == 0) {
        Watched(now);
    }
    // A host that sends has opened the device and set it up: its exclusive hold
    // ends before it can see any answer and close the device again.
    if (HostThere()) {
        Pty->ReleaseExclusive();
    }
    {
        std::lock_guard guard(Lock);
        for (ssize_t i = 0; i < count; ++i) {
            AppendBounded(Received, buffer[i]);
        }
    }
    LastByteAt = now;
    std::vector<TCommand> commands;
    for (ssize_t i = 0; i < count && Up && !Stopping; ++i) {
        InboundFree = std::max(InboundFree, now) + ByteTime;
        Parser.Feed(buffer[i], commands);
        for (const TCommand& command : commands) {
            Handle(command, now);
        }
        commands.clear();
    }
    return true;
}

void TSimulator::TImpl::Handle(const TCommand& command, TClock::time_point lastByte) {
    TAnswer answer;
    {
        std::lock_guard guard(Lock);
        AppendBounded(Seen, TCommandSeen{command.Kind, Model.Selected(), command.Bytes});
        answer = Model.Answer(command, TClock::now());
    }
    CommandLogged.notify_all();
    // Never before the command could have crossed the line: the host may purge
    // its input right after sending.
    TClock::time_point due;
    if (Timing.Mode == TTimingMode::RealLine) {
        due = std::max(InboundFree + Timing.Turnaround, OutboundFree) + ByteTime;
    } else {
        due = lastByte +
              (command.Kind == TCommandKind::Status ? Timing.StatusMargin : Timing.FastMargin);
    }
    const bool sent = Send(answer.Bytes, due);
    const bool record =
        command.Kind == TCommandKind::FirstRecord || command.Kind == TCommandKind::NextRecord;
    if (sent && record && !StateFile.empty()) {
        SaveState();
    }
    if (answer.HangUp) {
        HangUp();
    }
}

// True when every byte went out.
bool TSimulator::TImpl::Send(const std::vector<std::uint8_t>& bytes, TClock::time_point firstDue) {
    if (bytes.empty()) {
        return true;
    }
    std::this_thread::sleep_until(firstDue);
    if (Timing.Mode != TTimingMode::RealLine) {
        // A whole answer at once, noise behind it included: the host finds it
        // complete in its queue and purges what it does not read before its
        // next command, as it would on a line. Written byte by byte, noise
        // could trail in after that purge and be taken for the next reply.
        return WriteBytes(bytes);
    }
    auto due = firstDue;
    for (std::uint8_t byte : bytes) {
        std::this_thread::sleep_until(due);
        if (Stopping || !WriteByte(byte)) {
            return false;
        }
        due += ByteTime;
    }
    OutboundFree = due - ByteTime;
    return true;
}

// "taken EXCHANGE COUNT" a line, written beside and renamed over the file so
// that a simulator killed meanwhile leaves the previous state whole.
void TSimulator::TImpl::SaveState() {
    std::vector<std::uint32_t> counts;
    {
        std::lock_guard guard(Lock);
        counts = Model.TakenCounts();
    }
    const std::string temporary = StateFile + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            file << "taken " << i << ' ' << counts[i] << '\n';
        }
        if (!file.flush()) {
            return;
        }
    }
    std::error_code ignored;
    std::filesystem::rename(temporary, StateFile, ignored);
}

// Counts the host's opens and closes of the device. A host that opens it finds
// nothing left from before, as on a serial line.
void TSimulator::TImpl::Watched(TClock::time_point now) {
    const int before = HostOpens;
    bool left = false;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t count = read(Watch, buffer, sizeof buffer); count > 0;
         count = read(Watch, buffer, sizeof buffer)) {
        for (ssize_t at = 0; at < count;) {
            inotify_event event{};
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_OPEN) {
                ++HostOpens;
                WatchExclusiveUntil = now + ExclusiveWatch;
            }
            if ((event.mask & IN_CLOSE) && HostOpens > 0 && --HostOpens == 0) {
                left = true;
            }
        }
    }
    if (left && HostOpens == 0) {
        // What the host sent before it closed the device is heard first; its
        // answers go nowhere.
        while (Receive(now, false)) {
        }
        HostLeft(now);
    } else if (left) {
        // Closed and opened again at once: whatever is on the line now is the
        // new host's.
        HostLeft(now);
    } else if (before == 0 && HostOpens > 0) {
        HostCame(now);
    }
}

// A host opens the port: it starts afresh, as on a serial line.
void TSimulator::TImpl::HostCame(TClock::time_point now) {
    Pty->FlushTowardsHost();
    AbandonCommand(now);
}

// The host closed the port (it reopens it to reconnect): nothing it had not
// read waits for it, a command it left half-sent is over, and its hold of the
// device ends.
void TSimulator::TImpl::HostLeft(TClock::time_point now) {
    Pty->ReleaseExclusive();
    Pty->FlushTowardsHost();
    AbandonCommand(now);
}

// A command cut short is garbage.
void TSimulator::TImpl::AbandonCommand(TClock::time_point now) {
    std::vector<TCommand> dropped;
    Parser.Abandon(dropped);
    for (const TCommand& command : dropped) {
        Handle(command, now);
    }
}

bool TSimulator::TImpl::WriteByte(std::uint8_t byte) {
    return WriteBytes({byte});
}

bool TSimulator::TImpl::WriteBytes(const std::vector<std::uint8_t>& bytes) {
    if (!HostThere()) {
        return false; // nobody listens: the bytes are lost on the line
    }
    std::size_t done = 0;
    while (done < bytes.size() && !Stopping) {
        const ssize_t written = write(Pty->Master(), bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno == EAGAIN) {
            pollfd out{Pty->Master(), POLLOUT, 0};
            if (poll(&out, 1, WriteStallMs) > 0 && (out.revents & POLLOUT)) {
                continue;
            }
        }
        return false; // lost on the line
    }
    return done == bytes.size();
}

void TSimulator::TImpl::HangUp() {
    Up = false;
    Pty->Close();
}

TSimulator::TSimulator(TScenario scenario) : Impl(std::make_unique<TImpl>(std::move(scenario))) {}

TSimulator::~TSimulator() {
    Stop();
}

void TSimulator::Start() {
    if (Impl->Pty) {
        throw std::runtime_error("the simulator runs already");
    }
    Impl->Pty.emplace();
    Impl->Path = Impl->Pty->SlavePath();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        Impl->Pty.reset();
        throw std::runtime_error("simulator: cannot create its wake-up pipe");
    }
    Impl->WakeRead = pipeFds[0];
    Impl->WakeWrite = pipeFds[1];
    // Without a watch (no inotify) the host counts as always there.
    Impl->Watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Impl->Watch >= 0 &&
        inotify_add_watch(Impl->Watch, Impl->Path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        close(Impl->Watch);
        Impl->Watch = -1;
    }
    Impl->Up = true;
    Impl->Thread = std::thread([impl = Impl.get()] { impl->Run(); });
}

void TSimulator::Stop() {
    if (!Impl->Thread.joinable()) {
        return;
    }
    Impl->Stopping = true;
    const char wake = 0;
    [[maybe_unused]] const ssize_t ignored = write(Impl->WakeWrite, &wake, 1);
    Impl->Thread.join();
    Impl->Up = false;
    Impl->Pty->Close();
    close(Impl->WakeRead);
    close(Impl->WakeWrite);
    if (Impl->Watch >= 0) {
        close(Impl->Watch);
    }
    if (!Impl->Link.empty()) {
        std::error_code error;
        std::filesystem::remove(Impl->Link, error);
    }
}

void TSimulator::KeepStateIn(const std::string& path) {
    std::ifstream file(path);
    if (!file && std::filesystem::exists(path)) {
        throw std::runtime_error("simulator: cannot read the state file " + path);
    }
    std::string word;
    int exchange = 0;
    std::uint32_t count = 0;
    while (file >> word >> exchange >> count) {
        if (word != "taken" || exchange < 0 ||
            exchange >= static_cast<int>(Impl->Model.TakenCounts().size())) {
            throw std::runtime_error("simulator: " + path + " is no state file of this scenario");
        }
        std::lock_guard guard(Impl->Lock);
        Impl->Model.DropTaken(exchange, count);
    }
    Impl->StateFile = path;
}

const std::string& TSimulator::DevicePath() const {
    return Impl->Path;
}

void TSimulator::LinkAt(const std::string& path) {
    if (Impl->Path.empty()) {
        throw std::runtime_error("simulator: start it before linking its device");
    }
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        std::filesystem::remove(path, error);
    }
    std::filesystem::create_symlink(Impl->Path, path, error);
    if (error) {
        throw std::runtime_error("simulator: cannot link " + path + ": " + error.message());
    }
    Impl->Link = path;
}

std::vector<std::uint8_t> TSimulator::ReceivedBytes() const {
    std::lock_guard guard(Impl->Lock);
    return Impl->Received;
}

std::vector<TCommandSeen> TSimulator::Commands() const {
    std::lock_guard guard(Impl->Lock);
    return Impl->Seen;
}

std::vector<TSentRecord> TSimulator::SentRecords() const {
    std::lock_guard guard(Impl->Lock);
    return Impl->Model.SentRecords();
}

std::uint64_t TSimulator::SentRecordCount() const {
    std::lock_guard guard(Impl->Lock);
    return Impl->Model.SentRecordCount();
}

int TSimulator::PendingRecords(int exchange) const {
    std::lock_guard guard(Impl->Lock);
    return Impl->Model.PendingRecords(exchange);
}

bool TSimulator::LineUp() const {
    return Impl->Up;
}

void TSimulator::AddRecord(int exchange, const TBufferRecord& record) {
    std::lock_guard guard(Impl->Lock);
    Impl->Model.AddRecord(exchange, record);
}

void TSimulator::AddCall(int exchange, TCall call) {
    std::lock_guard guard(Impl->Lock);
    Impl->Model.AddCall(exchange, std::move(call), TClock::now());
}

void TSimulator::SetFaults(const TFaults& faults) {
    std::lock_guard guard(Impl->Lock);
    Impl->Model.SetFaults(faults);
}

void TSimulator::ChangeFaults(const std::function<void(TFaults&)>& change) {
    std::lock_guard guard(Impl->Lock);
    TFaults faults = Impl->Model.Faults();
    change(faults);
    Impl->Model.SetFaults(faults);
}

TFaults TSimulator::Faults() const {
    std::lock_guard guard(Impl->Lock);
    return Impl->Model.Faults();
}

bool TSimulator::WaitForCommands(TCommandKind kind, int count,
                                 std::chrono::milliseconds timeout) const {
    std::unique_lock guard(Impl->Lock);
    return Impl->CommandLogged.wait_for(guard, timeout, [&] {
        int seen = 0;
        for (const TCommandSeen& command : Impl->Seen) {
            seen += command.Kind == kind ? 1 : 0;
        }
        return seen >= count;
    });
}

} // namespace tallyvox::sim
