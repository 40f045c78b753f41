// The link layer of the exchange protocol: opening, probing, selecting an
// exchange and the framed command/reply exchange that every other command uses.

#include "exchange/LowLevel.h"
#include "model/Protocol.h"

namespace tallyvox {
namespace {

constexpr int ProbeRounds = 5;
constexpr unsigned ProbeAnswerMs = 200;
constexpr int ProbeRetries = protocol::LinkCheckProbes - 1;
constexpr std::uint32_t ProbeRetryPauseMs = 300;
constexpr int TransactLinkChecks = 3;
constexpr std::uint32_t IdentifySelectPauseMs = 100;
constexpr std::uint32_t DownloadSelectPauseMs = 200;
// A reply whose checksum keeps failing is read again this many times before the
// command is given up; the line cannot be trusted after that.
constexpr int ChecksumRereads = 10;

} // namespace

int TLowLevel::OpenPort(const std::string& name) {
    if (Port->IsOpen()) {
        return PortAlreadyOpen;
    }
    try {
        Port->SetName(name);
        Port->Open(name);
        Port->PurgeInput();
    } catch (const ECommError&) {
        return PortOpenFailed;
    }
    return PortOpened;
}

int TLowLevel::Probe() {
    for (int round = 0; round < ProbeRounds; ++round) {
        Port->PurgeInput();
        Port->WriteByte(protocol::Probe);
        // Silence (-1) has the low byte 0xFF, so it fails like a wrong answer.
        const int answer = Port->ReadByteTimeout(ProbeAnswerMs);
        if ((answer & 0xFF) != protocol::ProbeReady) {
            return ProbeUnanswered;
        }
    }
    return ProbeAnswered;
}

int TLowLevel::ProbeWithRetries() {
    int result = Probe();
    for (int retry = 0; result != ProbeAnswered && retry < ProbeRetries && !StopCutsWaits();
         ++retry) {
        Clock().Sleep(ProbeRetryPauseMs);
        result = Probe();
    }
    return result;
}

bool TLowLevel::SelectExchange(std::uint8_t i, TSelectForm form) {
    Port->PurgeInput();
    const std::uint8_t number = i ^ Status.Key;
    Port->WriteByte(protocol::Select);
    Port->WriteByte(protocol::SelectLength);
    Port->WriteByte(number);
    Port->WriteByte(number); // the checksum of a one-byte payload is that byte
    if (form == TSelectForm::Identify) {
        Clock().Sleep(IdentifySelectPauseMs);
        Port->ReadByte();
    } else {
        Clock().Sleep(DownloadSelectPauseMs);
        Port->ReadByteTimeout(protocol::ReplyByteMs);
    }
    return Port->ReadByteTimeout(protocol::ReplyByteMs) == 0;
}

namespace {

bool LinkAnswers(TLowLevel& link) {
    for (int check = 0; check < TransactLinkChecks; ++check) {
        if (check > 0) {
            if (link.StopCutsWaits()) {
                return false;
            }
            link.Clock().Sleep(ProbeRetryPauseMs);
        }
        if (link.ProbeWithRetries() == TLowLevel::ProbeAnswered) {
            return true;
        }
    }
    return false;
}

void SendPayload(TCommPort& port, std::uint8_t key, const std::uint8_t* payload, int count,
                 std::uint8_t prefix) {
    port.WriteByte(prefix);
    port.WriteByte(static_cast<std::uint8_t>(count));
    port.Flush();
    std::uint8_t sum = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t sent = payload[i] ^ key;
        port.WriteByte(sent);
        sum = static_cast<std::uint8_t>(sum + sent);
    }
    port.WriteByte(sum);
}

enum class TBodyRead { Matched, Mismatched, Missing };

// Reads length payload bytes and the checksum byte. A byte that does not arrive
// ends the read at once: waiting out the rest of the frame in silence only
// freezes the caller. With verification off the checksum byte may be missing.
TBodyRead ReadReplyBody(TCommPort& port, std::uint8_t* reply, int length, bool verifyChecksum) {
    std::uint8_t sum = 0;
    for (int i = 0; i < length; ++i) {
        const int byte = port.ReadByteTimeout(protocol::ReplyByteMs);
        if (byte < 0) {
            return TBodyRead::Missing;
        }
        reply[i] = static_cast<std::uint8_t>(byte);
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    const int checksum = port.ReadByteTimeout(protocol::ReplyByteMs);
    if (!verifyChecksum) {
        return TBodyRead::Matched;
    }
    if (checksum < 0) {
        return TBodyRead::Missing;
    }
    return checksum == sum ? TBodyRead::Matched : TBodyRead::Mismatched;
}

// The exchange repeats a reply whose checksum failed without being asked, so a
// mismatch is followed by reading the same frame body again. Mismatched after
// the last re-read: the body of that last reading is in reply.
TBodyRead ReadVerifiedBody(TCommPort& port, std::uint8_t* reply, int length, bool verifyChecksum) {
    TBodyRead read = TBodyRead::Missing;
    for (int attempt = 0; attempt <= ChecksumRereads; ++attempt) {
        read = ReadReplyBody(port, reply, length, verifyChecksum);
        if (read != TBodyRead::Mismatched) {
            break;
        }
    }
    return read;
}

} // namespace

int TLowLevel::Transact(std::uint8_t* reply, int& replyLength, std::uint8_t command,
                        bool verifyChecksum, int sendMode, const std::uint8_t* payload,
                        int payloadCount, std::uint8_t prefix) {
    try {
        Port->PurgeInput();
        if (!LinkAnswers(*this)) {
            return TransactNoLink;
        }
        replyLength = -1;
        Port->PurgeInput();
        Port->WriteByte(command);
        if (sendMode == SendWithPayload) {
            SendPayload(*Port, Status.Key, payload, payloadCount, prefix);
        }
        const int length = Port->ReadByteTimeout(protocol::ReplyByteMs);
        if (length < 0) {
            return TransactDone; // no reply at all: nothing to read or verify
        }
        replyLength = length;
        const TBodyRead read = ReadVerifiedBody(*Port, reply, length, verifyChecksum);
        if (read == TBodyRead::Missing) {
            return TransactPortError;
        }
        for (int i = 0; i < length; ++i) {
            reply[i] ^= Status.Key;
        }
        return read == TBodyRead::Matched ? TransactDone : TransactChecksumWrong;
    } catch (const ECommError&) {
        return TransactPortError;
    }
}

} // namespace tallyvox
