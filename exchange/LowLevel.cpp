#include "exchange/LowLevel.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "exchange/FilePath.h"

namespace tallyvox {
namespace {

// StartDir is a Windows-1251 text like every file name of the core, not the
// file system's own encoding. A folder whose name cannot be read as text leaves
// it empty: the files are then named bare, in the current folder, which at
// construction is the start folder.
std::string CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) {
        return {};
    }
    try {
        return TextOfFilePath(current);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

// The defaults are the member initialisers; the port comes after them, then the
// start directory, and the output configuration last because it reads its file
// from that directory. A missing or unreadable file leaves the defaults.
TLowLevel::TLowLevel(boost::shared_ptr<TClock> clock, boost::shared_ptr<TNotifier> notifier,
                     std::unique_ptr<TCommBackend> backend)
    : Clock_(std::move(clock)), Notifier_(std::move(notifier)) {
    Port.reset(new TCommPort(Clock_, std::move(backend)));
    StartDir = CurrentDirectory();
    ReadOutConfig();
}

TLowLevel::~TLowLevel() {
    try {
        Port->Close();
    } catch (const ECommError&) {
        // The program is ending; a port that refuses to close changes nothing.
    }
}

TRecord TLowLevel::DecodeRecord(const std::uint8_t* payload, std::size_t length) const {
    const TDecodeContext context{Status.TimeUnit, Status.ModelName, IsComplex,
                                 Clock_->LocalNow().Year};
    return DecodeRecordPayload(payload, length, context);
}

} // namespace tallyvox
