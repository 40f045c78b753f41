#include "exchange/LowLevel.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "model/FilePath.h"

namespace tallyvox {
namespace {

// StartDir is a Windows-1251 text like every file name of the core, for display
// and for the files that hold names; a folder whose name cannot be read as text
// leaves it empty. Files are reached through StartPath, never through this text.
std::string TextOfStartPath(const std::filesystem::path& startPath) {
    try {
        return TextOfFilePath(startPath);
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
    std::error_code error;
    StartPath = std::filesystem::current_path(error);
    StartDir = TextOfStartPath(StartPath);
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
