#pragma once
// Capture without a window: the read session of the core run for ever (or once),
// with the reconnect policy between attempts, a log line per change of state, the
// coverage journal beside the call file and the status file.

#include <atomic>
#include <boost/shared_ptr.hpp>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "callfile/RecordHandler.h"
#include "capture/ReadSession.h"
#include "capture/ReconnectPolicy.h"
#include "collector/CommandLine.h"
#include "collector/CoverageWriter.h"
#include "collector/ExchangeState.h"
#include "collector/Log.h"
#include "collector/StatusFile.h"
#include "exchange/LowLevel.h"

namespace tallyvox::collector {

// What the exchange link asks to show goes to the log; its request to end the
// program (a refused selection) is noted for the collector to act on.
class TLogNotifier : public TNotifier {
public:
    explicit TLogNotifier(TLog& log) : Log(log) {}
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void Terminate(int status) override { TerminateAsked = status; }
    std::optional<int> TerminateAsked;

private:
    TLog& Log;
};

// Where capture stands; each change is logged once and journalled.
enum class TCaptureState {
    Starting,
    Reading,
    LineDown,
    PortBusy,
    ExchangeSilent,
    FileUnwritable,
    Stopped
};

// Reads the settings and the output configuration of the start folder into
// lowLevel and applies --port and --file: ExitDone, or the exit status of what
// is missing (no port, no call file), after logging it.
int Configure(TLowLevel& lowLevel, const TCollectOptions& options, TLog& log);

class TCollector : private callfile::TRecordListener, private capture::TPassListener {
public:
    // lowLevel is configured (Configure) and its notifier is notifier.
    TCollector(boost::shared_ptr<TLowLevel> lowLevel, TLogNotifier& notifier,
               const TCollectOptions& options, TLog& log);
    ~TCollector() override;
    TCollector(const TCollector&) = delete;
    TCollector& operator=(const TCollector&) = delete;

    // Reads until stopped, or once with --once; the exit status. Held lines that
    // never reached the call file are rescued before it returns.
    int Run();
    // Any thread: end after the record in progress, or at once while waiting.
    void RequestStop();
    // Any thread: the call file was moved away (log rotation); lines go to a new
    // file of the configured name from the next one on.
    void RequestReopen();

    // The one place to follow every line that reaches the call file (header
    // lines and lines held for a while included), with its offset: a forwarder
    // of the calls to another store hooks in here. Set before Run.
    void SetAppendObserver(callfile::TAppendObserver* observer);
    // Told of each contact with the exchange, each attempt without, and the
    // buffer's fill. Set before Run.
    void SetStateObserver(TExchangeStateObserver* observer) { StateObserver = observer; }

private:
    // One attempt: open, identify, header, passes. The state it ended in.
    TCaptureState Attempt(int& onceStatus);
    TCaptureState OpenFailed(int& onceStatus);
    TCaptureState IdentifyFailed(int identified, int& onceStatus);
    TCaptureState PassesEnded(const capture::TSessionResult& result, int& onceStatus);
    bool FileReady();
    void ClosePort();
    void Enter(TCaptureState state, const std::string& detail);
    void Journal(TCaptureState state, const std::string& detail);
    void WaitBeforeRetry();
    bool StopAsked();
    int Finish(int status);
    void TakeReopen();
    void RefreshStatus();
    void TellContact(int bufferFill);

    void RecordHandled(const std::string& line, int bufferFill, int rejectedCount,
                       std::size_t pendingLines) override;
    void PassEnded(TDownloadEnd end, capture::TSteadyTime passStart) override;

    boost::shared_ptr<TLowLevel> LowLevel;
    TLogNotifier& Notifier;
    TCollectOptions Options;
    TLog& Log;
    callfile::TRecordHandler Handler;
    capture::TReadSession Session;
    capture::TReconnectPolicy Policy;

    std::mutex Mutex;
    std::condition_variable Woken;
    bool Stop = false;
    std::atomic<bool> Reopen{false};

    TCaptureState State = TCaptureState::Starting;
    std::string StateDetail;
    TCoverageWriter Coverage;
    bool JournalReading = false;
    std::string JournalReason;
    std::int64_t IntervalRecords = 0;
    bool FileTrouble = false;
    TCollectorStatus Shown;
    bool StatusWritten = true;
    TExchangeStateObserver* StateObserver = nullptr;
};

} // namespace tallyvox::collector
