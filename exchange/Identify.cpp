// Identification: who the exchange is, and how full its call-record buffers are.

#include "exchange/LinkMessages.h"
#include "exchange/LowLevel.h"
#include "model/Identification.h"
#include "model/Protocol.h"

namespace tallyvox {
namespace {

constexpr int StatusAttempts = 11;
// Enough to hear an exchange that is there, few enough not to keep a lost one
// waiting long: each silent attempt costs a reply byte's wait.
constexpr int PresenceAttempts = 3;
constexpr std::uint8_t NoReplyLength = 255;

struct TBufferFigures {
    int Capacity = 0;
    int Fill = 0;
};

// Reads the identification reply into a zeroed buffer, so a reply shorter than
// its layout reads as zeros beyond its end. A byte that does not arrive within
// the reply is stored as 0xFF, as the line's idle level would read.
bool ReadIdentificationReply(TCommPort& port, TIdentificationReply& reply) {
    const auto length = static_cast<std::uint8_t>(port.ReadByteTimeout(protocol::ReplyByteMs));
    if (length == NoReplyLength) {
        return false;
    }
    reply.fill(0);
    for (int i = 0; i < length; ++i) {
        reply[i] = static_cast<std::uint8_t>(port.ReadByteTimeout(protocol::ReplyByteMs));
    }
    const std::uint8_t key = reply[protocol::IdKey];
    for (int i = 0; i < length; ++i) {
        if (i != protocol::IdKey) {
            reply[i] ^= key;
        }
    }
    return true;
}

// One status request. Any byte that does not arrive fails the attempt at once,
// rather than waiting out a whole frame of silence.
bool ReadStatusOnce(TCommPort& port, std::uint8_t key, TIdentificationReply& payload) {
    payload.fill(0);
    port.PurgeInput();
    port.WriteByte(protocol::Status);
    port.WriteByte(protocol::StatusSub);
    // The exchange answers only after the command has left the wire, so whatever
    // is discarded here came before the reply.
    port.PurgeInput();
    const int length = port.ReadByteTimeout(protocol::ReplyByteMs);
    if (length < 0) {
        return false;
    }
    std::uint8_t sum = 0;
    for (int i = 0; i < length; ++i) {
        const int byte = port.ReadByteTimeout(protocol::ReplyByteMs);
        if (byte < 0) {
            return false;
        }
        sum = static_cast<std::uint8_t>(sum + byte);
        payload[i] = static_cast<std::uint8_t>(byte) ^ key;
    }
    return port.ReadByteTimeout(protocol::ReplyByteMs) == sum;
}

std::optional<TBufferFigures> ReadBufferFigures(TCommPort& port, std::uint8_t key) {
    TIdentificationReply payload{};
    for (int attempt = 0; attempt < StatusAttempts; ++attempt) {
        if (ReadStatusOnce(port, key, payload)) {
            const int capacity = payload[0] + 256 * payload[1];
            const int written = payload[2] + 256 * payload[3];
            const int sent = payload[4] + 256 * payload[5];
            return TBufferFigures{capacity, written - sent};
        }
    }
    return std::nullopt;
}

// Selects each exchange in turn and sums the capacities and fills of their
// call-record buffers: IdentifyDone, IdentifyNoReply (no probe answer, or a
// refused selection) or IdentifyNoStatus. Port errors escape.
int ReadAllBufferFigures(TLowLevel& link) {
    TStatus& status = link.Status;
    status.BufferCapacity = 0;
    status.BufferFill = 0;
    for (int i = 0; i < link.ExchangeCount; ++i) {
        if (link.ProbeWithRetries() != TLowLevel::ProbeAnswered) {
            return TLowLevel::IdentifyNoReply;
        }
        if (!link.SelectExchange(static_cast<std::uint8_t>(i), TLowLevel::TSelectForm::Identify)) {
            link.Notifier().ShowMessage(messages::SelectionRefused(), "");
            // Only a notifier under test returns; the identification has failed.
            link.Notifier().Terminate(ExitSelectionRefused);
            return TLowLevel::IdentifyNoReply;
        }
        const std::optional<TBufferFigures> figures = ReadBufferFigures(*link.Port, status.Key);
        if (!figures) {
            return TLowLevel::IdentifyNoStatus;
        }
        status.BufferCapacity += figures->Capacity;
        status.BufferFill += figures->Fill;
        if (status.BufferFill > status.BufferCapacity) {
            link.Notifier().ShowMessage(messages::BufferInconsistent(), messages::ErrorCaption());
        }
    }
    return TLowLevel::IdentifyDone;
}

} // namespace

bool TLowLevel::AnswersBufferStatus() {
    TIdentificationReply payload{};
    for (int attempt = 0; attempt < PresenceAttempts; ++attempt) {
        if (ReadStatusOnce(*Port, Status.Key, payload)) {
            return true;
        }
    }
    return false;
}

int TLowLevel::Identify() {
    ExchangeCount = 0;
    IsComplex = false;
    if (ProbeWithRetries() != ProbeAnswered) {
        return IdentifyNoAnswer;
    }
    Port->PurgeInput();
    Port->WriteByte(protocol::Identify);
    Port->Flush();
    TIdentificationReply reply{};
    if (!ReadIdentificationReply(*Port, reply)) {
        return IdentifyNoReply;
    }
    Status.Key = reply[protocol::IdKey];
    std::optional<TIdentification> id = InterpretIdentification(reply);
    if (!id) {
        return IdentifyUnknownModel;
    }
    Status.ModelName = id->Model.Name;
    Status.Version = id->Version;
    Status.SerialNumber = id->SerialNumber;
    Status.TimeUnit = id->TimeUnit;
    Status.ExchangeClock = id->ExchangeClock;
    ExchangeCount = id->Model.ExchangeCount;
    IsComplex = id->Model.IsComplex;
    return ReadAllBufferFigures(*this);
}

} // namespace tallyvox
