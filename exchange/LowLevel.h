#pragma once
// The program's one exchange object: settings, serial channel, identification
// results, real-time texts, record callback and the two flags shared with the
// reader thread. Protocol operations run on one thread at a time (the UI thread,
// or the reader thread while a read runs); only the two flags cross threads.

#include <array>
#include <atomic>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "exchange/CommPort.h"
#include "exchange/ExitStatus.h"
#include "exchange/Notifier.h"
#include "exchange/ObjectHeader.h"
#include "exchange/OutConfig.h"
#include "model/Clock.h"
#include "model/ReadState.h"
#include "model/RealTime.h"
#include "model/Record.h"
#include "model/Status.h"

namespace tallyvox {

using TRecordCallback = std::function<void(TRecord)>;

enum class TDownloadEnd { Finished, LinkLost, SelectionRefused };

// The read state (Status, RejectedCount, TariffFileName, the header lines) is
// the part the record handler shares; the rest stays with the object.
class TLowLevel : public TReadState {
public:
    // Sets the defaults, creates the port, records the start directory and reads
    // the output configuration file of the current directory.
    TLowLevel(boost::shared_ptr<TClock> clock, boost::shared_ptr<TNotifier> notifier,
              std::unique_ptr<TCommBackend> backend = MakePlatformCommBackend());
    ~TLowLevel();
    TLowLevel(const TLowLevel&) = delete;
    TLowLevel& operator=(const TLowLevel&) = delete;

    // Every int result below has a name; the numbers are the protocol's own and
    // stay. "Port errors escape" means an ECommError reaches the caller.

    // --- link and identification ---
    // Opens the serial port under name. Port errors do not escape.
    static constexpr int PortOpened = 1;
    static constexpr int PortAlreadyOpen = -2; // nothing was done
    static constexpr int PortOpenFailed = -1;
    int OpenPort(const std::string& name);
    // ProbeAnswered when the exchange answered five probes with 0x00. Port errors escape.
    static constexpr int ProbeAnswered = 1;
    static constexpr int ProbeUnanswered = -1;
    int Probe();
    // Probe, then up to ten retries 300 ms apart: ProbeAnswered or ProbeUnanswered.
    // Port errors escape.
    int ProbeWithRetries();
    enum class TSelectForm { Identify, Download };
    // Makes exchange i the one that answers; true when it accepted. Port errors escape.
    bool SelectExchange(std::uint8_t i, TSelectForm form);
    enum TSendMode { SendCommandOnly = 1, SendWithPayload = 2 };
    // One command and one framed reply; the payload is combined back with Key.
    // replyLength is -1 when no length byte arrived (TransactDone: nothing to
    // read). TransactChecksumWrong: a checksum still wrong after ten re-reads
    // (the body as last read is in reply). Port errors do not escape
    // (TransactPortError, which also stands for a reply cut short).
    static constexpr int TransactDone = 1;
    static constexpr int TransactPortError = -1;
    static constexpr int TransactNoLink = -2;
    static constexpr int TransactChecksumWrong = -3;
    int Transact(std::uint8_t* reply, int& replyLength, std::uint8_t command, bool verifyChecksum,
                 int sendMode, const std::uint8_t* payload = nullptr, int payloadCount = 0,
                 std::uint8_t prefix = 0);
    // Who the exchange is and how full its buffers are. IdentifyNoReply also
    // stands for no probe answer before a status request, and for a refused
    // selection (after the notifier was asked to end the program with
    // ExitSelectionRefused). Port errors escape.
    static constexpr int IdentifyDone = 1;
    static constexpr int IdentifyNoAnswer = -1; // to the first probe
    static constexpr int IdentifyNoReply = -2;
    static constexpr int IdentifyUnknownModel = -3;
    static constexpr int IdentifyNoStatus = -5; // no good status reply in eleven attempts
    int Identify();
    // Whether the selected exchange still answers a buffer status request, sent
    // without a link check: an exchange that left the link check before a next
    // record unanswered but answers this has ended its records; one that answers
    // nothing is gone. Port errors escape.
    bool AnswersBufferStatus();

    // --- records and real time ---
    // Runs on the reader thread and sets DownloadEnd to how it ended.
    // DownloadDone also when the link was lost (DownloadEnd says LinkLost).
    // DownloadFailed: a selection refused or no usable reply. Port errors escape,
    // except in the first link check (DownloadPortFailed). Stop ends it at the next
    // record boundary, and within a probe round when it waits on a silent line (a
    // record whose command has gone out is still read and delivered).
    static constexpr int DownloadDone = 1;
    static constexpr int DownloadStopped = 3; // StopRequested, before a further record
    static constexpr int DownloadFailed = -1;
    static constexpr int DownloadPortFailed = -2;
    int Download(const TRecordCallback& callback);
    // The record of a reply payload (without length byte and checksum), read with
    // the identified model and time unit and the clock's current year.
    TRecord DecodeRecord(const std::uint8_t* payload, std::size_t length) const;
    // RealTimeAnswered: the lines are refreshed when the state command succeeded.
    // Port errors escape, except in the link check (RealTimePortFailed).
    static constexpr int RealTimeAnswered = 1;
    static constexpr int RealTimeNoLink = -1;
    static constexpr int RealTimePortFailed = -2;
    int QueryRealTime();

    // --- configuration files (in the start directory; UI thread) ---
    // Results of the configuration files' operations. No exception escapes.
    static constexpr int ConfigDone = 1;
    static constexpr int ConfigFailed = -1;
    static constexpr int OutConfigMissing = -2;   // ReadOutConfig: there is no file
    static constexpr int OutConfigNotOpened = -2; // WriteOutConfig: the file cannot be replaced
    // PortName and SaveHeader from the settings file, which a first run creates
    // with the defaults (FirstRun set) and a damaged one is replaced by:
    // ConfigDone or ConfigFailed.
    int ReadSettings();
    // Takes the choice for this run and stores it: ConfigDone, or ConfigFailed for
    // a name that is no port or a file that cannot be read or written. The file
    // is replaced as a whole (bytes 2 to 29 kept), never left half-written.
    int WriteSettings(const std::string& portName, bool saveHeader);
    // The file names and AutoStart from the output configuration: ConfigDone,
    // OutConfigMissing (TariffFileName emptied), ConfigFailed when unreadable.
    int ReadOutConfig();
    // Rewrites the output configuration with the current AutoStart, as a whole:
    // ConfigDone; OutConfigNotOpened when the new file could not take the old
    // one's place; ConfigFailed when the old one could not be read (then it is
    // not rewritten, so the lines of the report window are never lost).
    int WriteOutConfig(const std::string& tariffFileName, const std::string& realTimeFileName);
    // A first run keeps the output configuration of the start folder as
    // "TallyvoxOut.cfg.bak" (replacing an older one) instead of deleting it, so a
    // damaged settings file does not cost the call file name and the automatic
    // start: ConfigDone when set aside or none there, ConfigFailed when it stays.
    int SetAsideOutConfig();
    std::string GetPortName() const { return PortName; }
    void SetPortName(const std::string& name) { PortName = name; }

    // True once Stop is asked for while a download runs: its link checks and
    // record retries then end at the next probe or pause instead of waiting out a
    // dead line. Identification and the real-time query never look at it, so a
    // flag left set by the last read does not cut them short.
    bool StopCutsWaits() const { return Downloading_ && StopRequested; }

    TClock& Clock() { return *Clock_; }
    TNotifier& Notifier() { return *Notifier_; }

    // --- data model ---
    bool IsComplex = false;
    int ExchangeCount = 0;
    boost::shared_ptr<TCommPort> Port;
    // First records of this read whose checksum never matched: the exchange has
    // already given them up, so they are delivered as received and counted here.
    std::atomic<int> UncheckedCount{0};
    // How the last download ended beyond its result: LinkLost when the exchange
    // stopped answering (its link checks or a record command went unanswered).
    // Written by the reader thread while it downloads.
    std::atomic<TDownloadEnd> DownloadEnd{TDownloadEnd::Finished};
    bool FirstRun = false;
    std::string PortName = "COM1";
    bool SaveHeader = true;
    int AutoStart = AutoStartDefault;
    int RealTimeLineCount = 0;
    std::array<std::string, RealTimeMaxLines> RealTimeLines;
    std::string RealTimeFileName;
    std::string StartDir;
    // The start folder as the file system names it: every file built from the
    // start folder is reached through this, so a folder whose name has no
    // Windows-1251 text (StartDir then shows '?' or nothing) still works.
    std::filesystem::path StartPath;
    TRecordCallback RecordCallback;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Continuous{false};

private:
    int DownloadExchanges(const TRecordCallback& callback);

    // Set by Download for its own duration, on its thread.
    std::atomic<bool> Downloading_{false};
    boost::shared_ptr<TClock> Clock_;
    boost::shared_ptr<TNotifier> Notifier_;
};

} // namespace tallyvox
