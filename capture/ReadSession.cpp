#include "capture/ReadSession.h"

#include <exception>
#include <utility>

#include "callfile/Header.h"
#include "capture/SessionMessages.h"
#include "exchange/CommError.h"

namespace tallyvox::capture {
namespace {

TSessionResult EndedBy(TSessionResult result, TSessionEnd end, std::string error,
                       std::string detail) {
    result.End = end;
    result.Error = std::move(error);
    result.Detail = std::move(detail);
    return result;
}

} // namespace

TReadSession::TReadSession(boost::shared_ptr<TLowLevel> lowLevel, callfile::TRecordHandler& handler)
    : LowLevel(std::move(lowLevel)), Handler(handler) {}

int TReadSession::Open() {
    return LowLevel->OpenPort(LowLevel->PortName);
}

void TReadSession::Prepare(TReadMode mode) {
    LowLevel->StopRequested = false;
    LowLevel->Continuous = mode == TReadMode::Continuous;
    LowLevel->RejectedCount = 0;
    LowLevel->UncheckedCount = 0;
    Handler.BeginRead();
    LowLevel->RecordCallback = [handler = &Handler](TRecord record) { (*handler)(record); };
}

int TReadSession::Identify() {
    const int result = LowLevel->Identify();
    if (result >= 0) {
        // The rejected records are counted per read, from its identification on.
        LowLevel->RejectedCount = 0;
    }
    return result;
}

bool TReadSession::WriteHeader() {
    if (!LowLevel->SaveHeader) {
        return false;
    }
    callfile::BuildHeader(*LowLevel, LowLevel->Status);
    Handler.WriteHeader();
    return true;
}

TSessionResult TReadSession::Run(TPassListener* listener) {
    TSessionResult result;
    try {
        do {
            const TSteadyTime passStart = std::chrono::steady_clock::now();
            // A port that fails before the first exchange is selected is reported
            // as a result, not raised; it is just as gone, and another pass would
            // fail again at once, round and round.
            if (LowLevel->Download(LowLevel->RecordCallback) == TLowLevel::DownloadPortFailed) {
                return EndedBy(result, TSessionEnd::PortFailed, messages::LinkBroken(), {});
            }
            const TDownloadEnd end = LowLevel->DownloadEnd;
            const bool told = end != TDownloadEnd::Finished || end != result.LastPass;
            result.LastPass = end;
            if (told && listener != nullptr) {
                listener->PassEnded(end, passStart);
            }
            if (LowLevel->StopRequested) {
                result.End = TSessionEnd::Stopped;
                return result;
            }
        } while (LowLevel->Continuous);
        return result;
    } catch (const ECommError& error) {
        return EndedBy(result, TSessionEnd::PortFailed, messages::LinkBroken(), error.what());
    } catch (const std::exception& error) {
        return EndedBy(result, TSessionEnd::Failed, messages::ReadFailed(), error.what());
    } catch (...) {
        // Whatever it was, it must not take the process and the lines held in
        // memory with it.
        return EndedBy(result, TSessionEnd::Failed, messages::ReadFailed(), {});
    }
}

} // namespace tallyvox::capture
