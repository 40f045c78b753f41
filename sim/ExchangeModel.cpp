#include "sim/ExchangeModel.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>

#include "model/Protocol.h"
#include "sim/BoundedLog.h"
#include "sim/CalendarEncode.h"
#include "sim/RecordEncoder.h"

namespace tallyvox::sim {
namespace {

constexpr std::int64_t SecondsPerDay = 86400;
constexpr std::size_t IdentificationLength = 16;
constexpr std::size_t ComplexIdentificationLength = 23;
constexpr std::uint8_t SelectAccepted = 0x00;
constexpr std::uint8_t SelectRefused = 0x01;
constexpr std::uint8_t EndOfBuffer = 0x00;
constexpr std::size_t MaxPayload = 255;

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

std::uint8_t Sum(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
    return static_cast<std::uint8_t>(
        std::accumulate(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                        bytes.begin() + static_cast<std::ptrdiff_t>(from + count), 0u) &
        0xFF);
}

// A fault that shows K more times: true (and one used up) while K is above 0.
bool UseOne(int& remaining) {
    if (remaining <= 0) {
        return false;
    }
    --remaining;
    return true;
}

// The generated calls of one exchange, with the erased records among them.
std::vector<TBufferRecord> GeneratedTraffic(TTrafficGenerator& generator, const TTraffic& traffic,
                                            const TCalendarTime& clock) {
    std::vector<TBufferRecord> records;
    if (traffic.AttackSeed) {
        generator.AddAttack(*traffic.AttackSeed);
    }
    for (TCall& call : generator.History(traffic.Count, clock)) {
        records.push_back({TBufferRecord::TKind::Call, std::move(call), {}});
    }
    std::mt19937 places(traffic.Seed ^ 0x5EEDu);
    for (int i = 0; i < traffic.Erased; ++i) {
        const auto at = static_cast<std::ptrdiff_t>(places() % (records.size() + 1));
        records.insert(records.begin() + at, TBufferRecord{TBufferRecord::TKind::Erased, {}, {}});
    }
    return records;
}

} // namespace

TExchangeModel::TExchangeModel(TScenario scenario, TSteadyTime origin)
    : Scenario(std::move(scenario)), Origin(origin), Buffers(Scenario.Exchanges.size()),
      Active(Scenario.Faults), Noise(Scenario.Arrivals.Seed ^ 0x9E3779B9u) {
    CheckScenario(Scenario);
    // Read once here: the computer's local time is not read on the exchange's
    // thread, where it would race with a test changing the environment.
    ComputerAtOrigin = CalendarToSeconds(LocalNow());
    if (Scenario.ClockDays) {
        ClockAtOrigin = *Scenario.ClockDays * SecondsPerDay +
                        std::int64_t{Scenario.ClockTicks} * Scenario.SecondsPerTick();
    } else {
        ClockAtOrigin = ComputerAtOrigin;
    }
    const TTrunkPlan plan = TrunkPlanOf(Scenario);
    const TCalendarTime clock = SecondsToCalendar(LatestCallEnd(origin));
    for (std::size_t i = 0; i < Scenario.Exchanges.size(); ++i) {
        const TExchange& exchange = Scenario.Exchanges[i];
        for (const TBufferRecord& record : exchange.Records) {
            AddRecord(static_cast<int>(i), record);
        }
        TTrafficGenerator generator(exchange.Traffic.Seed, plan, static_cast<int>(i));
        for (const TBufferRecord& record : GeneratedTraffic(generator, exchange.Traffic, clock)) {
            AddRecord(static_cast<int>(i), record);
        }
        // Calls that arrive later take the trunks as the stored calls left them.
        generator.Reseed(Scenario.Arrivals.Seed + static_cast<std::uint32_t>(i));
        Arrivals.push_back(std::move(generator));
    }
    if (Scenario.Arrivals.EveryMs > 0) {
        ArrivalDue = origin + std::chrono::milliseconds(Scenario.Arrivals.EveryMs);
    }
}

std::int64_t TExchangeModel::ClockSeconds(TSteadyTime now) const {
    return ClockAtOrigin + std::chrono::duration_cast<std::chrono::seconds>(now - Origin).count();
}

// A call has ended by the exchange's clock, and by the computer's too: the host
// flags a call dated in a later year than its own.
std::int64_t TExchangeModel::LatestCallEnd(TSteadyTime now) const {
    return std::min(ClockSeconds(now), ClockSeconds(now) - ClockAtOrigin + ComputerAtOrigin);
}

TCalendarTime TExchangeModel::ClockCalendar(TSteadyTime now) const {
    return SecondsToCalendar(ClockSeconds(now));
}

std::vector<std::uint8_t> TExchangeModel::Payload(const TBufferRecord& record) const {
    switch (record.Kind) {
    case TBufferRecord::TKind::Raw:
        return record.Raw;
    case TBufferRecord::TKind::Erased:
        return ErasedPayload();
    case TBufferRecord::TKind::Call:
        break;
    }
    try {
        return EncodeCall(record.Call, Scenario.SecondsPerTick());
    } catch (const ERecordError& error) {
        throw EScenarioError(std::string("a call record cannot be stored: ") + error.what());
    }
}

// Length, payload combined with the key, and the sum of the payload as sent.
std::vector<std::uint8_t> TExchangeModel::Frame(const std::vector<std::uint8_t>& payload,
                                                bool checksumRight) const {
    std::vector<std::uint8_t> wire;
    wire.reserve(payload.size() + 2);
    wire.push_back(static_cast<std::uint8_t>(payload.size()));
    for (std::uint8_t byte : payload) {
        wire.push_back(static_cast<std::uint8_t>(byte ^ Scenario.Key));
    }
    const std::uint8_t sum = Sum(wire, 1, payload.size());
    wire.push_back(checksumRight ? sum : static_cast<std::uint8_t>(sum + 1));
    return wire;
}

int TExchangeModel::PendingRecords(int exchange) const {
    return static_cast<int>(Buffers.at(static_cast<std::size_t>(exchange)).Pending.size());
}

std::vector<std::uint32_t> TExchangeModel::TakenCounts() const {
    std::vector<std::uint32_t> counts;
    for (const TBuffer& buffer : Buffers) {
        counts.push_back(buffer.Taken);
    }
    return counts;
}

void TExchangeModel::DropTaken(int exchange, std::uint32_t count) {
    TBuffer& buffer = Buffers.at(static_cast<std::size_t>(exchange));
    for (; count > 0 && !buffer.Pending.empty(); --count) {
        buffer.Pending.pop_front();
        ++buffer.Taken;
    }
}

void TExchangeModel::AddRecord(int exchange, const TBufferRecord& record) {
    TBuffer& buffer = Buffers.at(static_cast<std::size_t>(exchange));
    std::vector<std::uint8_t> payload = Payload(record);
    if (payload.size() > MaxPayload) {
        throw EScenarioError("a record payload has at most 255 bytes");
    }
    buffer.Pending.push_back(std::move(payload));
    ++buffer.Written;
}

void TExchangeModel::AddCall(int exchange, TCall call, TSteadyTime now) {
    const std::int64_t start = ClockSeconds(now) - call.DurationSeconds;
    call.Start = SecondsToCalendar(start < 0 ? 0 : start);
    AddRecord(exchange, {TBufferRecord::TKind::Call, std::move(call), {}});
}

void TExchangeModel::AddArrivals(TSteadyTime now) {
    while (ArrivalDue && *ArrivalDue <= now) {
        int exchange = Scenario.Arrivals.Exchange;
        if (exchange < 0) {
            exchange = NextArrivalExchange;
            NextArrivalExchange = (NextArrivalExchange + 1) % static_cast<int>(Buffers.size());
        }
        TTrafficGenerator& traffic = Arrivals.at(static_cast<std::size_t>(exchange));
        // The call is drawn even when it is lost, so the seeded traffic stays the
        // same; a full buffer has no room for it and the exchange loses it.
        TCall call = traffic.EndingAt(SecondsToCalendar(LatestCallEnd(now)));
        const std::size_t capacity =
            Scenario.Exchanges[static_cast<std::size_t>(exchange)].Capacity;
        if (Buffers[static_cast<std::size_t>(exchange)].Pending.size() < capacity) {
            AddRecord(exchange, {TBufferRecord::TKind::Call, std::move(call), {}});
        }
        *ArrivalDue += std::chrono::milliseconds(Scenario.Arrivals.EveryMs);
    }
}

void TExchangeModel::SetFaults(const TFaults& faults) {
    Active = faults;
    RecordsSinceFaults = 0;
}

TAnswer TExchangeModel::Answer(const TCommand& command, TSteadyTime now) {
    if (RecordsReached(Active.HangUpAfterRecords)) {
        return {{}, true};
    }
    if (RecordsReached(Active.SilentAfterRecords)) {
        return {};
    }
    if (command.Kind != TCommandKind::Probe) {
        InRecordLoop = false;
    }
    TAnswer answer;
    switch (command.Kind) {
    case TCommandKind::Probe:
        if (!LeavesLinkCheckUnanswered()) {
            answer = AnswerProbe();
        }
        break;
    case TCommandKind::Identify:
        answer = AnswerIdentify(now);
        break;
    case TCommandKind::Select:
        answer = AnswerSelect(command.Bytes);
        break;
    case TCommandKind::Status:
        answer = AnswerStatus();
        break;
    case TCommandKind::FirstRecord:
    case TCommandKind::NextRecord:
        answer = AnswerRecord(command.Kind == TCommandKind::FirstRecord);
        break;
    case TCommandKind::RealTime:
        answer = AnswerRealTime(command.Bytes, now);
        break;
    case TCommandKind::Garbage:
        break;
    }
    if (!answer.Bytes.empty()) {
        for (int i = 0; i < Active.NoiseBytes; ++i) {
            answer.Bytes.push_back(static_cast<std::uint8_t>(Noise() & 0xFF));
        }
    }
    return answer;
}

bool TExchangeModel::BufferEnded() const {
    return RecordsReached(Active.EndAfterRecords) ||
           Buffers[static_cast<std::size_t>(SelectedExchange)].Pending.empty();
}

// An exchange that ends its records by silence says nothing to the link check
// before a next record once it has none left. It leaves its record loop when
// the host asks anything else, or once a whole link check went unanswered.
bool TExchangeModel::LeavesLinkCheckUnanswered() {
    if (Scenario.EmptyEnding != TEmptyEnding::LinkCheck || !InRecordLoop || !BufferEnded()) {
        return false;
    }
    if (++UnansweredProbes >= protocol::LinkCheckProbes) {
        InRecordLoop = false;
    }
    return true;
}

TAnswer TExchangeModel::AnswerProbe() {
    const TProbeFault fault = Active.Probe;
    if (fault != TProbeFault::None && Active.ProbeFaultCount > 0 && --Active.ProbeFaultCount == 0) {
        Active.Probe = TProbeFault::None;
    }
    switch (fault) {
    case TProbeFault::Wrong:
        return {{Active.ProbeWrongAnswer}, false};
    case TProbeFault::Silent:
        return {};
    case TProbeFault::None:
        break;
    }
    return {{protocol::ProbeReady}, false};
}

TAnswer TExchangeModel::AnswerIdentify(TSteadyTime now) {
    if (Active.NoIdentification) {
        return {};
    }
    const bool named = Scenario.ModelCode == 2;
    std::vector<std::uint8_t> reply(named ? ComplexIdentificationLength : IdentificationLength, 0);
    const std::int64_t clock = ClockSeconds(now);
    PutWord(reply, protocol::IdDays, static_cast<std::uint32_t>(clock / SecondsPerDay));
    PutWord(reply, protocol::IdTicks,
            static_cast<std::uint32_t>(clock % SecondsPerDay / Scenario.SecondsPerTick()));
    reply[protocol::IdModel] = Active.ModelCode.value_or(Scenario.ModelCode);
    reply[protocol::IdVersionNibbles] = Scenario.VersionMinor;
    reply[protocol::IdVersionMain] = Scenario.VersionMain;
    reply[protocol::IdTimeUnit] = Scenario.TimeUnit;
    PutWord(reply, protocol::IdSerial, Scenario.SerialNumber);
    if (named) {
        for (std::size_t i = 0; i < protocol::IdModelNameLength; ++i) {
            reply[protocol::IdModelName + i] = static_cast<std::uint8_t>(
                i < Scenario.ModelName.size() ? Scenario.ModelName[i] : ' ');
        }
    }
    std::vector<std::uint8_t> wire{static_cast<std::uint8_t>(reply.size())};
    for (std::size_t i = 0; i < reply.size(); ++i) {
        wire.push_back(i == protocol::IdKey ? Scenario.Key
                                            : static_cast<std::uint8_t>(reply[i] ^ Scenario.Key));
    }
    return {wire, false};
}

TAnswer TExchangeModel::AnswerSelect(const std::vector<std::uint8_t>& bytes) {
    const std::uint8_t combined = bytes[2];
    const int exchange = combined ^ Scenario.Key;
    const bool accepted = bytes[3] == combined && exchange < static_cast<int>(Buffers.size()) &&
                          exchange != Active.RefusedExchange && Active.SelectionsAccepted != 0;
    if (accepted) {
        SelectedExchange = exchange;
        if (Active.SelectionsAccepted > 0) {
            --Active.SelectionsAccepted;
        }
    }
    return {{protocol::Select, accepted ? SelectAccepted : SelectRefused}, false};
}

TAnswer TExchangeModel::AnswerStatus() {
    const TExchange& exchange = Scenario.Exchanges[static_cast<std::size_t>(SelectedExchange)];
    const TBuffer& buffer = Buffers[static_cast<std::size_t>(SelectedExchange)];
    std::vector<std::uint8_t> payload(6, 0);
    PutWord(payload, 0, exchange.Capacity);
    // The words are 16-bit counters whose difference is the fill: once the counts
    // pass what a word holds, both drop by the same whole multiple of 32768.
    const std::uint32_t passed = buffer.Taken & ~std::uint32_t{0x7FFF};
    std::uint32_t w1 = std::min<std::uint32_t>(buffer.Written - passed, 0xFFFF);
    std::uint32_t w2 = buffer.Taken - passed;
    if (exchange.W1 && exchange.W2) {
        w1 = *exchange.W1;
        w2 = *exchange.W2;
    }
    if (Active.FillAboveCapacity > 0) {
        w1 = std::min<std::uint32_t>(exchange.Capacity + Active.FillAboveCapacity, 0xFFFF);
        w2 = 0;
    }
    PutWord(payload, 2, w1);
    PutWord(payload, 4, w2);
    return {Frame(payload, !UseOne(Active.StatusChecksumWrong)), false};
}

TAnswer TExchangeModel::AnswerRecord(bool first) {
    if (UseOne(Active.EmptyRecordReplies)) {
        return {Frame({}, true), false};
    }
    // A record command that finds the buffer empty (the first one has no link
    // check before it) ends the records with the short reply in either way.
    if (BufferEnded()) {
        return {Frame({EndOfBuffer}, true), false};
    }
    TBuffer& buffer = Buffers[static_cast<std::size_t>(SelectedExchange)];
    InRecordLoop = true;
    UnansweredProbes = 0;
    std::vector<std::uint8_t> payload = std::move(buffer.Pending.front());
    buffer.Pending.pop_front();
    ++buffer.Taken;
    ++RecordsSinceFaults;
    AppendBounded(Sent, TSentRecord{SelectedExchange, payload});
    ++SentCount;

    TAnswer answer;
    if (first && Active.FirstRecordChecksumWrong > 0) {
        // The host reads the payload and checksum again, without a new command,
        // until the checksum matches: send them again after every wrong one.
        const std::vector<std::uint8_t> wrong = Frame(payload, false);
        const std::vector<std::uint8_t> right = Frame(payload, true);
        answer.Bytes = wrong;
        for (int k = 1; k < Active.FirstRecordChecksumWrong; ++k) {
            answer.Bytes.insert(answer.Bytes.end(), wrong.begin() + 1, wrong.end());
        }
        answer.Bytes.insert(answer.Bytes.end(), right.begin() + 1, right.end());
        Active.FirstRecordChecksumWrong = 0;
    } else {
        answer.Bytes = Frame(payload, first || !UseOne(Active.NextRecordChecksumWrong));
    }
    return answer;
}

TAnswer TExchangeModel::AnswerRealTime(const std::vector<std::uint8_t>& bytes, TSteadyTime now) {
    const std::uint8_t expected = protocol::RealTimePayload ^ Scenario.Key;
    if (bytes[3] != expected || bytes[4] != expected) {
        return {};
    }
    return {Frame(RealTimePayload(now), true), false};
}

std::vector<std::uint8_t> TExchangeModel::RealTimePayload(TSteadyTime now) const {
    const TRealTime& state = Scenario.RealTime;
    if (state.Payload) {
        return *state.Payload;
    }
    auto elapsed = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - Origin).count());
    if (state.PeriodMs > 0) {
        elapsed %= state.PeriodMs;
    }
    const TRealTimeSnapshot* current = nullptr;
    for (const TRealTimeSnapshot& snapshot : state.Snapshots) {
        if (snapshot.AtMs <= elapsed) {
            current = &snapshot;
        }
    }
    return current == nullptr ? std::vector<std::uint8_t>{} : RealTimePayloadOf(*current);
}

} // namespace tallyvox::sim
