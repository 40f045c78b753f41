#pragma once
// The exchange's side of the protocol without any input or output: the
// installation's state (buffers, selection, clock, fault counters) and the bytes
// it answers each command with. Not thread-safe: the simulator holds a lock.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <vector>

#include "sim/CommandParser.h"
#include "sim/Scenario.h"
#include "sim/Simulator.h"
#include "sim/TrafficGenerator.h"

namespace tallyvox::sim {

using TSteadyTime = std::chrono::steady_clock::time_point;

struct TAnswer {
    std::vector<std::uint8_t> Bytes; // empty: the exchange says nothing
    bool HangUp = false;             // the line goes away after Bytes
};

class TExchangeModel {
public:
    // Builds the buffers (scenario records, then generated traffic); the exchange
    // clock starts at `origin`. Throws EScenarioError for a call it cannot store.
    TExchangeModel(TScenario scenario, TSteadyTime origin);

    TAnswer Answer(const TCommand& command, TSteadyTime now);

    int Selected() const { return SelectedExchange; }
    int PendingRecords(int exchange) const;
    const std::vector<TSentRecord>& SentRecords() const { return Sent; }
    // Records each exchange has given out since its buffer was filled.
    std::vector<std::uint32_t> TakenCounts() const;
    // The exchange gave out its first count records before (an earlier run of
    // the simulator): they are gone from its buffer, as from a real one.
    void DropTaken(int exchange, std::uint32_t count);
    std::uint64_t SentRecordCount() const { return SentCount; }

    // Throws std::out_of_range for an exchange the installation lacks.
    void AddRecord(int exchange, const TBufferRecord& record);
    void AddCall(int exchange, TCall call, TSteadyTime now);
    // Adds the calls due by `now`; when the next one is due, if any.
    void AddArrivals(TSteadyTime now);
    std::optional<TSteadyTime> NextArrival() const { return ArrivalDue; }

    const TFaults& Faults() const { return Active; }
    void SetFaults(const TFaults& faults);

private:
    struct TBuffer {
        std::deque<std::vector<std::uint8_t>> Pending;
        std::uint32_t Written = 0;
        std::uint32_t Taken = 0;
    };

    std::int64_t ClockSeconds(TSteadyTime now) const;
    std::int64_t LatestCallEnd(TSteadyTime now) const;
    TCalendarTime ClockCalendar(TSteadyTime now) const;
    std::vector<std::uint8_t> Payload(const TBufferRecord& record) const;
    std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& payload,
                                    bool checksumRight) const;

    bool BufferEnded() const;
    bool LeavesLinkCheckUnanswered();
    TAnswer AnswerProbe();
    TAnswer AnswerIdentify(TSteadyTime now);
    TAnswer AnswerSelect(const std::vector<std::uint8_t>& bytes);
    TAnswer AnswerStatus();
    TAnswer AnswerRecord(bool first);
    TAnswer AnswerRealTime(const std::vector<std::uint8_t>& bytes, TSteadyTime now);
    std::vector<std::uint8_t> RealTimePayload(TSteadyTime now) const;
    bool RecordsReached(int limit) const { return limit >= 0 && RecordsSinceFaults >= limit; }

    TScenario Scenario;
    TSteadyTime Origin;
    std::int64_t ClockAtOrigin = 0;    // seconds since 1 January 1980
    std::int64_t ComputerAtOrigin = 0; // the computer's local time then, likewise
    std::vector<TBuffer> Buffers;
    std::vector<TSentRecord> Sent;
    std::uint64_t SentCount = 0;
    int SelectedExchange = 0;
    TFaults Active;
    int RecordsSinceFaults = 0;
    // Records are being given out: the host checks the link before each next one.
    bool InRecordLoop = false;
    int UnansweredProbes = 0;
    std::optional<TSteadyTime> ArrivalDue;
    int NextArrivalExchange = 0;
    std::vector<TTrafficGenerator> Arrivals; // one per exchange
    std::mt19937 Noise;
};

} // namespace tallyvox::sim
