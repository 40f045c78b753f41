// The download of the call-record buffers: every exchange of the installation in
// turn, one record after another, each handed to the callback as it arrives.

#include <array>

#include "exchange/LinkMessages.h"
#include "exchange/LowLevel.h"
#include "model/Protocol.h"

namespace tallyvox {
namespace {

constexpr int RecordAttempts = 5;
constexpr std::uint32_t EmptyReplyPauseMs = 100;

using TReplyBuffer = std::array<std::uint8_t, 255>;

struct TRecordReply {
    int Result = -1;
    int Length = 0;
    // Stop ended the attempts before a record came back.
    bool Stopped = false;
};

bool Taken(const TRecordReply& got) {
    // A record whose checksum never matched has left the exchange all the same:
    // asking again would skip it for good.
    const bool done =
        got.Result == TLowLevel::TransactDone || got.Result == TLowLevel::TransactChecksumWrong;
    return got.Length >= 1 && done;
}

// Up to five attempts of one record command. An attempt that brought no reply
// is followed by a pause; one that brought a reply ends the attempts when it
// succeeded and is repeated at once when it did not. Stop ends the attempts.
TRecordReply RequestRecord(TLowLevel& link, TReplyBuffer& reply, std::uint8_t command,
                           bool verifyChecksum) {
    reply.fill(0);
    TRecordReply got;
    for (int attempt = 0; attempt < RecordAttempts && !link.StopCutsWaits(); ++attempt) {
        if (attempt > 0 && got.Length < 1) {
            link.Clock().Sleep(EmptyReplyPauseMs);
        }
        got.Result = link.Transact(reply.data(), got.Length, command, verifyChecksum,
                                   TLowLevel::SendCommandOnly);
        if (Taken(got)) {
            return got;
        }
    }
    if (link.StopCutsWaits()) {
        got.Stopped = true;
        return got;
    }
    // No link, or not a single byte back: the exchange has stopped answering.
    if (got.Result == TLowLevel::TransactNoLink ||
        (got.Result == TLowLevel::TransactDone && got.Length < 0)) {
        link.DownloadEnd = TDownloadEnd::LinkLost;
    }
    // The command's own port errors are caught: a line that has gone away
    // raises its error again in this check, and reaches the caller as one.
    if (got.Result == TLowLevel::TransactPortError &&
        link.ProbeWithRetries() != TLowLevel::ProbeAnswered && !link.StopCutsWaits()) {
        link.DownloadEnd = TDownloadEnd::LinkLost;
    }
    return got;
}

enum class TRecordOutcome { Delivered, EndOfExchange, Failed };

// Takes one record reply: decodes and delivers it, counts it as erased, or tells
// how the reply ended the records. A reply shorter than a record ends the
// current exchange of a complex, so the next exchange is still emptied; a single
// exchange has nothing after it and reports the short reply as a failure.
TRecordOutcome TakeRecord(TLowLevel& link, const TReplyBuffer& reply, const TRecordReply& got,
                          const TRecordCallback& callback) {
    const bool unchecked = got.Result == TLowLevel::TransactChecksumWrong;
    if (got.Result != TLowLevel::TransactDone && !unchecked) {
        return TRecordOutcome::Failed;
    }
    if (got.Length <= 1) {
        const bool shortReply = got.Length >= 0;
        return link.IsComplex && shortReply ? TRecordOutcome::EndOfExchange
                                            : TRecordOutcome::Failed;
    }
    if (!IsRecord(reply.data())) {
        ++link.RejectedCount;
        return TRecordOutcome::Delivered;
    }
    if (unchecked) {
        ++link.UncheckedCount;
    }
    callback(link.DecodeRecord(reply.data(), static_cast<std::size_t>(got.Length)));
    return TRecordOutcome::Delivered;
}

enum class TExchangeEnd { Done, Stopped, Failed };

// The records of the selected exchange. linked keeps the last link check, which
// decides whether the following exchanges are visited at all.
TExchangeEnd DownloadSelectedExchange(TLowLevel& link, bool& linked,
                                      const TRecordCallback& callback) {
    TReplyBuffer reply{};
    TRecordReply got = RequestRecord(link, reply, protocol::FirstRecord, true);
    for (;;) {
        if (got.Stopped) {
            return TExchangeEnd::Stopped;
        }
        switch (TakeRecord(link, reply, got, callback)) {
        case TRecordOutcome::Failed:
            return TExchangeEnd::Failed;
        case TRecordOutcome::EndOfExchange:
            return TExchangeEnd::Done;
        case TRecordOutcome::Delivered:
            break;
        }
        link.Port->Flush();
        linked = link.ProbeWithRetries() == TLowLevel::ProbeAnswered;
        // A link check that Stop cut short says nothing about the exchange.
        if (!linked && !link.StopCutsWaits()) {
            // An exchange may end its records by leaving this check unanswered:
            // one that still answers a status request has only run out of records,
            // and the next exchange of a complex is still emptied.
            linked = link.AnswersBufferStatus();
            if (!linked) {
                link.DownloadEnd = TDownloadEnd::LinkLost;
            }
            return TExchangeEnd::Done;
        }
        if (link.StopRequested) {
            return TExchangeEnd::Stopped;
        }
        // Records after the first are taken as received, checksum unread.
        got = RequestRecord(link, reply, protocol::NextRecord, false);
    }
}

} // namespace

int TLowLevel::Download(const TRecordCallback& callback) {
    // Cleared on every way out, a port error included: outside a download the
    // waits do not look at Stop.
    struct TDownloading {
        std::atomic<bool>& Flag;
        ~TDownloading() { Flag = false; }
    } downloading{Downloading_};
    Downloading_ = true;
    return DownloadExchanges(callback);
}

int TLowLevel::DownloadExchanges(const TRecordCallback& callback) {
    bool linked = false;
    DownloadEnd = TDownloadEnd::Finished;
    try {
        Port->PurgeInput();
        linked = ProbeWithRetries() == ProbeAnswered;
    } catch (const ECommError&) {
        return DownloadPortFailed;
    }
    if (!linked && StopCutsWaits()) {
        return DownloadStopped;
    }
    if (!linked) {
        DownloadEnd = TDownloadEnd::LinkLost;
    }
    for (int i = 0; linked && i < ExchangeCount; ++i) {
        if (!SelectExchange(static_cast<std::uint8_t>(i), TSelectForm::Download)) {
            DownloadEnd = TDownloadEnd::SelectionRefused;
            Notifier().ShowMessage(messages::SelectionRefused(), "");
            return DownloadFailed;
        }
        switch (DownloadSelectedExchange(*this, linked, callback)) {
        case TExchangeEnd::Failed:
            return DownloadFailed;
        case TExchangeEnd::Stopped:
            return DownloadStopped;
        case TExchangeEnd::Done:
            break;
        }
    }
    return DownloadDone;
}

} // namespace tallyvox
