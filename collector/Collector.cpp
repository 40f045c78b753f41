#include "collector/Collector.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <vector>

#include "callfile/CallFileWriter.h"
#include "callfile/CoverageJournal.h"
#include "collector/ServiceManager.h"
#include "exchange/CommError.h"
#include "exchange/LinkMessages.h"
#include "model/FilePath.h"
#include "text/Cp1251.h"

namespace tallyvox::collector {
namespace {

constexpr const char* SettingsFileName = "Tallyvox.cfg";

std::string Utf8(const std::string& cp1251) {
    return text::Cp1251ToUtf8(cp1251);
}

const char* NameOf(TCaptureState state) {
    switch (state) {
    case TCaptureState::Starting:
        return "starting";
    case TCaptureState::Reading:
        return "reading";
    case TCaptureState::LineDown:
        return "line-down";
    case TCaptureState::PortBusy:
        return "port-busy";
    case TCaptureState::ExchangeSilent:
        return "exchange-silent";
    case TCaptureState::FileUnwritable:
        return "file-unwritable";
    case TCaptureState::Stopped:
        break;
    }
    return "stopped";
}

// The gap reason a state not reading stands for in the coverage journal.
const char* GapReasonOf(TCaptureState state) {
    switch (state) {
    case TCaptureState::LineDown:
    case TCaptureState::PortBusy:
    case TCaptureState::Starting:
        return callfile::GapLineDown;
    case TCaptureState::ExchangeSilent:
        return callfile::GapExchangeSilent;
    case TCaptureState::FileUnwritable:
        return callfile::GapFileUnwritable;
    case TCaptureState::Reading:
    case TCaptureState::Stopped:
        break;
    }
    return callfile::GapStopped;
}

TLevel LevelOf(TCaptureState state) {
    switch (state) {
    case TCaptureState::Starting:
    case TCaptureState::Reading:
    case TCaptureState::Stopped:
        return TLevel::Info;
    case TCaptureState::ExchangeSilent:
        return TLevel::Warning;
    case TCaptureState::LineDown:
    case TCaptureState::PortBusy:
    case TCaptureState::FileUnwritable:
        break;
    }
    return TLevel::Error;
}

std::string RescueStamp(const TCalendarTime& now) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", now.Year, now.Month, now.Day,
                  now.Hour, now.Minute, now.Second);
    return text;
}

bool SameDay(const TCalendarTime& a, const TCalendarTime& b) {
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day;
}

} // namespace

void TLogNotifier::ShowMessage(const std::string& text, const std::string&) {
    Log.Write(TLevel::Warning, Utf8(text));
}

int Configure(TLowLevel& lowLevel, const TCollectOptions& options, TLog& log) {
    std::error_code error;
    const bool haveSettings = std::filesystem::exists(lowLevel.StartPath / SettingsFileName, error);
    if (haveSettings && lowLevel.ReadSettings() != TLowLevel::ConfigDone) {
        log.Write(TLevel::Error, "the settings file Tallyvox.cfg cannot be read");
        return ExitExchangeAbsent;
    }
    if (options.Port) {
        lowLevel.PortName = *options.Port;
    } else if (!haveSettings) {
        log.Write(TLevel::Error, "no port: give --port, or choose one in the window's options "
                                 "with this folder as the start folder");
        return ExitExchangeAbsent;
    }
    if (options.File) {
        lowLevel.TariffFileName = text::Utf8ToCp1251(*options.File);
    }
    if (lowLevel.TariffFileName.empty()) {
        log.Write(TLevel::Error, "no call-accounting file: give --file, or TARIF_FNAME= in "
                                 "TallyvoxOut.cfg");
        return ExitFileNotWritable;
    }
    return ExitDone;
}

TCollector::TCollector(boost::shared_ptr<TLowLevel> lowLevel, TLogNotifier& notifier,
                       const TCollectOptions& options, TLog& log)
    : LowLevel(std::move(lowLevel)), Notifier(notifier), Options(options), Log(log),
      Handler(LowLevel, this), Session(LowLevel, Handler),
      Policy(options.RetryFirst, options.RetryLongest),
      Coverage(callfile::CoverageJournalOf(LowLevel->TariffFileName), log) {
    Shown.Port = LowLevel->PortName;
    Shown.CallFile = Utf8(LowLevel->TariffFileName);
}

TCollector::~TCollector() {
    ClosePort();
}

void TCollector::SetAppendObserver(callfile::TAppendObserver* observer) {
    Handler.Writer().SetObserver(observer);
}

void TCollector::RequestStop() {
    {
        const std::lock_guard lock(Mutex);
        Stop = true;
    }
    LowLevel->Continuous = false;
    LowLevel->StopRequested = true;
    Woken.notify_all();
}

void TCollector::RequestReopen() {
    Log.Write(TLevel::Info,
              "the call file is reopened: the next lines go to " + Utf8(LowLevel->TariffFileName));
    Reopen = true;
}

bool TCollector::StopAsked() {
    const std::lock_guard lock(Mutex);
    return Stop;
}

int TCollector::Run() {
    Log.Write(TLevel::Info, "capturing from " + LowLevel->PortName + " into " +
                                Utf8(LowLevel->TariffFileName) +
                                (Options.Once ? " (one read)" : ""));
    int onceStatus = ExitDone;
    while (!StopAsked()) {
        TakeReopen();
        const TCaptureState ended = Attempt(onceStatus);
        if (ended != TCaptureState::Reading) {
            Enter(ended, StateDetail);
        }
        if (StateObserver && ended != TCaptureState::Stopped) {
            StateObserver->NoContact(LowLevel->Clock().LocalNow());
        }
        if (Options.Once || StopAsked()) {
            break;
        }
        WaitBeforeRetry();
    }
    return Finish(onceStatus);
}

// One way from a closed port to the end of the passes.
TCaptureState TCollector::Attempt(int& onceStatus) {
    StateDetail.clear();
    if (!FileReady()) {
        onceStatus = ExitFileNotWritable;
        return TCaptureState::FileUnwritable;
    }
    if (Session.Open() == TLowLevel::PortOpenFailed) {
        return OpenFailed(onceStatus);
    }
    Session.Prepare(Options.Once ? capture::TReadMode::Once : capture::TReadMode::Continuous);
    if (StopAsked()) {
        // The signal came while Prepare cleared the flags.
        LowLevel->StopRequested = true;
        LowLevel->Continuous = false;
    }
    Notifier.TerminateAsked.reset();
    int identified = TLowLevel::IdentifyNoAnswer;
    try {
        identified = Session.Identify();
    } catch (const ECommError& error) {
        StateDetail = error.what();
        ClosePort();
        onceStatus = ExitExchangeAbsent;
        return TCaptureState::LineDown;
    }
    if (identified < 0) {
        return IdentifyFailed(identified, onceStatus);
    }
    Policy.Reset();
    const TStatus& status = LowLevel->Status;
    Enter(TCaptureState::Reading, Utf8(status.ModelName) + " serial " + status.SerialNumber +
                                      " version " + status.Version + ", buffer " +
                                      std::to_string(status.BufferFill) + " of " +
                                      std::to_string(status.BufferCapacity));
    if (callfile::BufferNearlyFull(status.BufferFill, status.BufferCapacity)) {
        Log.Write(TLevel::Warning, "the exchange's buffer is over " +
                                       std::to_string(callfile::BufferWarningPercent) +
                                       "% full: records are lost once it is full");
    }
    Session.WriteHeader();
    const capture::TSessionResult result = Session.Run(this);
    ClosePort();
    return PassesEnded(result, onceStatus);
}

TCaptureState TCollector::OpenFailed(int& onceStatus) {
    const std::optional<TPortHolder> holder = LowLevel->Port->Holder();
    if (holder) {
        StateDetail = Utf8(messages::PortInUse(LowLevel->PortName, *holder));
        onceStatus = ExitPortInUse;
        return TCaptureState::PortBusy;
    }
    StateDetail = "port " + LowLevel->PortName + " (" + ResolvePortDevice(LowLevel->PortName) +
                  ") cannot be opened";
    onceStatus = ExitExchangeAbsent;
    return TCaptureState::LineDown;
}

TCaptureState TCollector::IdentifyFailed(int identified, int& onceStatus) {
    ClosePort();
    if (Notifier.TerminateAsked) {
        StateDetail = "an exchange refused selection";
        onceStatus = *Notifier.TerminateAsked;
        return TCaptureState::ExchangeSilent;
    }
    StateDetail = "no answer to identification (" + std::to_string(identified) + ")";
    onceStatus = ExitExchangeAbsent;
    return TCaptureState::ExchangeSilent;
}

TCaptureState TCollector::PassesEnded(const capture::TSessionResult& result, int& onceStatus) {
    switch (result.End) {
    case capture::TSessionEnd::PortFailed:
        StateDetail = "the line failed" + (result.Detail.empty() ? "" : ": " + result.Detail);
        onceStatus = ExitLinkLost;
        return TCaptureState::LineDown;
    case capture::TSessionEnd::Failed:
        Log.Write(TLevel::Error, "the read stopped on an unexpected error: " + result.Detail);
        StateDetail = "unexpected error";
        onceStatus = ExitReadFailed;
        return TCaptureState::LineDown;
    case capture::TSessionEnd::Stopped:
        if (FileTrouble) {
            StateDetail = "the call file does not take the lines";
            onceStatus = ExitFileNotWritable;
            return TCaptureState::FileUnwritable;
        }
        return TCaptureState::Stopped;
    case capture::TSessionEnd::Ended:
        break;
    }
    switch (result.LastPass) {
    case TDownloadEnd::LinkLost:
        StateDetail = "the exchange stopped answering";
        onceStatus = ExitLinkLost;
        return TCaptureState::ExchangeSilent;
    case TDownloadEnd::SelectionRefused:
        StateDetail = "an exchange refused selection";
        onceStatus = ExitSelectionRefused;
        return TCaptureState::ExchangeSilent;
    case TDownloadEnd::Finished:
        break;
    }
    return TCaptureState::Stopped;
}

// The exchange forgets each record it sends: no read starts while the file
// would leave the program holding the only copy.
bool TCollector::FileReady() {
    FileTrouble = false;
    Coverage.Retry();
    if (Handler.FlushPending() != callfile::LinesWritten) {
        StateDetail =
            std::to_string(Handler.Writer().PendingCount()) + " lines still wait for the call file";
        return false;
    }
    const std::string problem = callfile::AppendProblem(LowLevel->TariffFileName);
    if (!problem.empty()) {
        StateDetail = Utf8(LowLevel->TariffFileName) + ": " + Utf8(problem);
        return false;
    }
    return true;
}

void TCollector::ClosePort() {
    try {
        if (LowLevel->Port && LowLevel->Port->IsOpen()) {
            LowLevel->Port->Close();
        }
    } catch (const ECommError&) {
        // Closed all the same; the next open starts afresh.
    }
}

void TCollector::Enter(TCaptureState state, const std::string& detail) {
    if (state == State && state != TCaptureState::Reading) {
        return;
    }
    State = state;
    Log.Write(LevelOf(state), std::string(NameOf(state)) + (detail.empty() ? "" : ": " + detail));
    Journal(state, detail);
    Shown.State = NameOf(state);
    Shown.Detail = detail;
    TellServiceManager("STATUS=" + Shown.State + (detail.empty() ? "" : ": " + detail));
    if (state == TCaptureState::Reading) {
        const TStatus& status = LowLevel->Status;
        Shown.Model = Utf8(status.ModelName);
        Shown.Serial = status.SerialNumber;
        Shown.Version = status.Version;
        Shown.BufferFill = status.BufferFill;
        Shown.BufferCapacity = status.BufferCapacity;
        Shown.Contacted = true;
        Shown.LastContact = LowLevel->Clock().LocalNow();
        TellContact(status.BufferFill);
    }
    RefreshStatus();
}

void TCollector::TellContact(int bufferFill) {
    if (StateObserver) {
        StateObserver->Contact(LowLevel->Clock().LocalNow());
        StateObserver->BufferFill(bufferFill, LowLevel->Status.BufferCapacity);
    }
}

void TCollector::Journal(TCaptureState state, const std::string& detail) {
    callfile::TCoverageEntry entry;
    entry.Time = LowLevel->Clock().LocalNow();
    if (state == TCaptureState::Reading) {
        const TStatus& status = LowLevel->Status;
        entry.Event = callfile::TCoverageEvent::Reading;
        entry.Serial = status.SerialNumber;
        entry.Model = status.ModelName;
        entry.Fill = status.BufferFill;
        entry.Capacity = status.BufferCapacity;
        callfile::NoteCallFilePlace(entry, LowLevel->TariffFileName);
        JournalReading = true;
        IntervalRecords = 0;
    } else {
        const std::string reason = GapReasonOf(state);
        if (!JournalReading && reason == JournalReason) {
            return;
        }
        entry.Event = callfile::TCoverageEvent::Gap;
        entry.Reason = reason;
        entry.Records = JournalReading ? IntervalRecords : 0;
        entry.Detail = text::Utf8ToCp1251(detail);
        JournalReading = false;
        JournalReason = reason;
    }
    Coverage.Append(std::move(entry));
}

void TCollector::WaitBeforeRetry() {
    const auto wait = Policy.NextWait();
    std::unique_lock lock(Mutex);
    Woken.wait_for(lock, wait, [this] { return Stop; });
}

void TCollector::TakeReopen() {
    if (Reopen.exchange(false)) {
        // The file is opened for every line anyway; lines held for it are
        // tried again now, in the new file.
        Handler.FlushPending();
    }
}

// Every held line that the call file still refuses goes to a rescue file, or
// at the very least to standard error: the exchange no longer has them.
int TCollector::Finish(int status) {
    if (StopAsked()) {
        Enter(TCaptureState::Stopped, "on request");
        status = ExitDone;
    }
    if (Coverage.Waiting() > 0) {
        Log.Write(TLevel::Error, std::to_string(Coverage.Waiting()) +
                                     " entries of the coverage journal could not be written");
    }
    if (Handler.FlushPending() == callfile::LinesWritten) {
        RefreshStatus();
        return status;
    }
    callfile::TCallFileWriter& writer = Handler.Writer();
    const std::vector<callfile::TRescue> rescues =
        writer.Rescue(LowLevel->StartPath, RescueStamp(LowLevel->Clock().LocalNow()));
    status = ExitLinesRescued;
    for (const callfile::TRescue& rescue : rescues) {
        if (rescue.RescueFile.empty()) {
            status = ExitLinesLost;
            Log.Write(TLevel::Error, std::to_string(rescue.LineCount) + " lines for " +
                                         Utf8(rescue.FileName) +
                                         " could not be saved anywhere; they follow");
        } else {
            Log.Write(TLevel::Error, std::to_string(rescue.LineCount) + " lines for " +
                                         Utf8(rescue.FileName) + " saved to " +
                                         rescue.RescueFile.string());
        }
    }
    for (const callfile::THeldLines& held : writer.Held()) {
        for (const std::string& line : held.Lines) {
            std::cerr << Utf8(line) << "\n";
        }
    }
    std::cerr.flush();
    RefreshStatus();
    return status;
}

// After every change: a record takes far longer on the line than the small
// file takes to write.
void TCollector::RefreshStatus() {
    if (!Options.Status) {
        return;
    }
    Shown.Updated = LowLevel->Clock().LocalNow();
    if (!SameDay(Shown.Updated, Shown.LastContact)) {
        Shown.RecordsToday = 0;
    }
    Shown.LinesHeld = Handler.Writer().PendingCount();
    // Once when it stops being written and once when it is again, not per record.
    const bool written = WriteStatusFile(*Options.Status, Shown);
    if (written != StatusWritten) {
        Log.Write(written ? TLevel::Info : TLevel::Warning,
                  "the status file " + *Options.Status +
                      (written ? " is written again" : " cannot be written"));
        StatusWritten = written;
    }
}

void TCollector::RecordHandled(const std::string&, int bufferFill, int, std::size_t pendingLines) {
    ++IntervalRecords;
    const TCalendarTime now = LowLevel->Clock().LocalNow();
    Shown.RecordsToday = SameDay(now, Shown.LastContact) ? Shown.RecordsToday + 1 : 1;
    Shown.LastContact = now;
    Shown.BufferFill = bufferFill;
    TellContact(bufferFill);
    if (pendingLines > 0 && !FileTrouble) {
        // Records stay safer in the exchange than in memory: end the read after
        // this record and wait for the file.
        FileTrouble = true;
        LowLevel->StopRequested = true;
        Log.Write(TLevel::Error, "the call file does not take the lines; " +
                                     std::to_string(pendingLines) + " held in memory");
    }
    TakeReopen();
    RefreshStatus();
}

// A silent exchange ends the passes: the port is closed and opened again
// later, as after any other failure of the line.
void TCollector::PassEnded(TDownloadEnd end, capture::TSteadyTime) {
    if (end != TDownloadEnd::Finished) {
        LowLevel->Continuous = false;
    } else if (StateObserver) {
        StateObserver->Contact(LowLevel->Clock().LocalNow());
    }
}

} // namespace tallyvox::collector
