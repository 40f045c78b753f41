// Writes the files of the capture side, so that one build's bytes can be
// compared with another's (tests/windows/compare_files.sh):
//   tallyvox-write-files fixed FOLDER
//       both configuration files, a header block, call lines of fixed records
//       and a real-time log snapshot
//   tallyvox-write-files download FOLDER PORT
//       the call lines of every record the exchange on PORT has, after its
//       identification
// FOLDER becomes the start folder. Exit status 0 when every file was written.

#include <boost/make_shared.hpp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "callfile/Header.h"
#include "callfile/RealTimeLog.h"
#include "callfile/RecordHandler.h"
#include "exchange/LowLevel.h"
#include "text/Cp1251.h"

namespace tallyvox {
namespace {

// Messages go to stderr; a request to end the program is a failure here.
class TPrintingNotifier : public TNotifier {
public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void Terminate(int status) override {
        std::fprintf(stderr, "the program was asked to end with status %d\n", status);
        std::exit(1);
    }
};

// A file name with letters outside ASCII, as a user's would have.
const std::string CallFileName = text::Utf8ToCp1251("Звонки за май.txt");
const std::string RealTimeFileName = text::Utf8ToCp1251("Журнал линий.log");

TRecord Call(int day, int hour, int minutes, int seconds, int line, const char* number,
             const char* trunk, const char* dialled) {
    TRecord record;
    record.Year = 2024;
    record.Month = 5;
    record.Day = day;
    record.StartHour = hour;
    record.StartMinute = 7;
    record.StartSecond = 9;
    record.DurationHours = minutes / 60;
    record.DurationMinutes = minutes % 60;
    record.DurationSeconds = seconds;
    record.HardwareLine = line;
    record.ProgramNumber = number;
    record.Trunk = trunk;
    record.DialledNumber = dialled;
    return record;
}

// An outgoing call, an incoming one, one over an hour long with a long number,
// an internal one and one whose date the exchange got wrong.
std::vector<TRecord> FixedRecords() {
    std::vector<TRecord> records{
        Call(7, 9, 1, 5, 201, "112", "(2)05", "123456"),
        Call(7, 23, 0, 59, 17, "4017", "05", ""),
        Call(31, 0, 75, 0, 1023, "299", "(1)12", "8101234567890123"),
        Call(1, 12, 12, 30, 200, "100", "", "101"),
        Call(2, 8, 0, 1, 202, "113", "(2)01", "0"),
    };
    records.back().Month = 13;
    records.back().MonthInvalid = 1;
    return records;
}

TStatus FixedStatus() {
    TStatus status;
    status.ModelName = "Arden-L1";
    status.Version = "3.12";
    status.SerialNumber = "4711";
    status.BufferFill = 5;
    status.BufferCapacity = 2000;
    status.ExchangeClock = {2024, 5, 31, 17, 45, 3};
    return status;
}

bool WriteFixed(TLowLevel& lowLevel, callfile::TRecordHandler& handler) {
    lowLevel.AutoStart = AutoStartContinuous;
    if (lowLevel.WriteSettings("COM3", true) != TLowLevel::ConfigDone ||
        lowLevel.WriteOutConfig(CallFileName, RealTimeFileName) != TLowLevel::ConfigDone) {
        std::fprintf(stderr, "a configuration file was not written\n");
        return false;
    }
    lowLevel.TariffFileName = CallFileName;
    lowLevel.Status = FixedStatus();
    callfile::BuildHeader(lowLevel, lowLevel.Status);
    bool written = handler.WriteHeader() == callfile::LinesWritten;
    for (const TRecord& record : FixedRecords()) {
        handler(record);
    }
    callfile::TRealTimeLog log;
    written = written && log.Open(RealTimeFileName) &&
              log.Append({text::Utf8ToCp1251("Линия 201 занята"), "D 201 112 (2)05"});
    return written && handler.FlushPending() == callfile::LinesWritten;
}

bool Download(TLowLevel& lowLevel, callfile::TRecordHandler& handler, const std::string& port) {
    lowLevel.TariffFileName = CallFileName;
    if (lowLevel.OpenPort(port) != TLowLevel::PortOpened) {
        std::fprintf(stderr, "%s does not open\n", port.c_str());
        return false;
    }
    if (lowLevel.Identify() != TLowLevel::IdentifyDone) {
        std::fprintf(stderr, "the exchange on %s was not identified\n", port.c_str());
        return false;
    }
    const int fill = lowLevel.Status.BufferFill;
    int received = 0;
    const int result = lowLevel.Download([&](TRecord record) {
        handler(record);
        ++received;
    });
    std::printf("buffer fill %d, records %d, result %d\n", fill, received, result);
    // A single exchange's buffer ends with -1 (a one-byte reply); only a port
    // that failed under the download leaves records behind.
    return result != TLowLevel::DownloadPortFailed && received > 0 &&
           handler.FlushPending() == callfile::LinesWritten;
}

int Run(const std::vector<std::string>& arguments) {
    const bool fixed = arguments.size() == 2 && arguments[0] == "fixed";
    const bool download = arguments.size() == 3 && arguments[0] == "download";
    if (!fixed && !download) {
        std::fprintf(stderr, "usage: tallyvox-write-files fixed FOLDER | download FOLDER PORT\n");
        return 2;
    }
    std::filesystem::create_directories(arguments[1]);
    std::filesystem::current_path(arguments[1]);
    auto lowLevel = boost::make_shared<TLowLevel>(boost::make_shared<TSystemClock>(),
                                                  boost::make_shared<TPrintingNotifier>());
    callfile::TRecordHandler handler(lowLevel, nullptr);
    const bool done =
        fixed ? WriteFixed(*lowLevel, handler) : Download(*lowLevel, handler, arguments[2]);
    return done ? 0 : 1;
}

} // namespace
} // namespace tallyvox

int main(int argc, char** argv) {
    try {
        return tallyvox::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tallyvox-write-files: %s\n", error.what());
        return 1;
    }
}
