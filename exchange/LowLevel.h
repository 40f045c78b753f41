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

#include "exchange/Clock.h"
#include "exchange/CommPort.h"
#include "exchange/ExitStatus.h"
#include "exchange/Notifier.h"
#include "exchange/RealTime.h"
#include "exchange/Record.h"
#include "exchange/Status.h"

namespace tallyvox {

using TRecordCallback = std::function<void(TRecord)>;

// AutoStart values of the output configuration file.
enum TAutoStart {
    AutoStartNone = 0,
    AutoStartDefault = 1,
    AutoStartContinuous = 2,
    AutoStartOnce = 3
};

enum class TDownloadEnd { Finished, LinkLost, SelectionRefused };

class TLowLevel {
public:
    // Sets the defaults, creates the port, records the start directory and reads
    // the output configuration file of the current directory.
    TLowLevel(boost::shared_ptr<TClock> clock, boost::shared_ptr<TNotifier> notifier,
              std::unique_ptr<TCommBackend> backend = MakePlatformCommBackend());
    ~TLowLevel();
    TLowLevel(const TLowLevel&) = delete;
    TLowLevel& operator=(const TLowLevel&) = delete;

    // --- link and identification ---
    // 1 opened, -2 already open (nothing done), -1 opening failed.
    int OpenPort(const std::string& name);
    // 1 when the exchange answered five probes with 0x00, -1 otherwise.
    int Probe();
    // Probe, then up to ten retries 300 ms apart: 1 or -1.
    int ProbeWithRetries();
    enum class TSelectForm { Identify, Download };
    // Makes exchange i the one that answers; true when it accepted.
    bool SelectExchange(std::uint8_t i, TSelectForm form);
    enum TSendMode { SendCommandOnly = 1, SendWithPayload = 2 };
    // One command and one framed reply; the payload is combined back with Key.
    // replyLength is -1 when no length byte arrived (result 1: nothing to read).
    // 1 done, -2 no link, -1 port error or a reply cut short, TransactChecksumWrong
    // a checksum still wrong after ten re-reads (the body as last read is in reply).
    static constexpr int TransactChecksumWrong = -3;
    int Transact(std::uint8_t* reply, int& replyLength, std::uint8_t command, bool verifyChecksum,
                 int sendMode, const std::uint8_t* payload = nullptr, int payloadCount = 0,
                 std::uint8_t prefix = 0);
    // 1 identified; -1 no answer to the first probe; -2 no identification reply,
    // no probe answer before a status request, or a refused selection (after the
    // notifier was asked to end the program with ExitSelectionRefused); -3 unknown
    // model; -5 no good status reply in eleven attempts. Port errors reach the caller.
    int Identify();

    // --- records and real time ---
    // 1 done, 3 stopped on request, -1 selection refused or no usable reply, -2
    // port error in the first link check. Runs on the reader thread. Sets
    // DownloadEnd to how it ended. Stop ends it at the next record boundary, and
    // within a probe round when it waits on a silent line (a record whose
    // command has gone out is still read and delivered).
    int Download(const TRecordCallback& callback);
    // The record of a reply payload (without length byte and checksum), read with
    // the identified model and time unit and the clock's current year.
    TRecord DecodeRecord(const std::uint8_t* payload, std::size_t length) const;
    // 1 answered (lines refreshed when the state command succeeded), -1 no link,
    // -2 port error in the link check.
    int QueryRealTime();

    // --- configuration files (in the start directory; UI thread) ---
    // PortName and SaveHeader from the settings file, which a first run creates
    // with the defaults (FirstRun set) and a damaged one is replaced by: 1 or -1.
    int ReadSettings();
    // Takes the choice for this run and stores it: 1, or -1 for a name that is no
    // port or a file that cannot be written.
    int WriteSettings(const std::string& portName, bool saveHeader);
    // The file names and AutoStart from the output configuration: 1 read, -2 no
    // file (TariffFileName emptied), -1 unreadable.
    int ReadOutConfig();
    // Rewrites the output configuration with the current AutoStart: 1 written,
    // -2 the file cannot be opened, -1 a write failed.
    int WriteOutConfig(const std::string& tariffFileName, const std::string& realTimeFileName);
    // A first run keeps the output configuration of the start folder as
    // "TallyvoxOut.cfg.bak" (replacing an older one) instead of deleting it, so a
    // damaged settings file does not cost the call file name and the automatic
    // start: 1 set aside or none there, -1 it stays where it is.
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
    std::atomic<int> RejectedCount{0};
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
    TStatus Status;
    int RealTimeLineCount = 0;
    std::array<std::string, RealTimeMaxLines> RealTimeLines;
    std::string TariffFileName;
    std::string RealTimeFileName;
    std::string HeaderDateLine;
    std::string HeaderTitleLine;
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
