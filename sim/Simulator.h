#pragma once
// The exchange at the other end of a pseudo-terminal: answers the host's
// commands as an Orvex exchange (or complex) described by a scenario, on its own
// thread. Every accessor is safe to call from any thread while it runs.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace tallyvox::sim {

// What the simulator made of a run of bytes from the host.
enum class TCommandKind {
    Probe,
    Identify,
    Select,
    Status,
    FirstRecord,
    NextRecord,
    RealTime,
    Garbage
};

struct TCommandSeen {
    TCommandKind Kind = TCommandKind::Garbage;
    int Exchange = 0;                // the exchange selected when it arrived
    std::vector<std::uint8_t> Bytes; // as received
};

// One record reply's payload, in the clear (before the key), erased ones too;
// end-of-buffer and empty replies are not records.
struct TSentRecord {
    int Exchange = 0;
    std::vector<std::uint8_t> Payload;
};

class TSimulator {
public:
    // Builds the exchange's buffers; EScenarioError for a scenario no exchange
    // could be built from (CheckScenario) or a call it cannot store.
    explicit TSimulator(TScenario scenario);
    // Stops the exchange thread and closes the pseudo-terminal.
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // Opens the pseudo-terminal (both ends raw) and starts answering on a thread.
    // Throws std::runtime_error when no pseudo-terminal can be had. Call once.
    void Start();
    // Ends the thread, closes the pseudo-terminal, removes the link. Idempotent.
    void Stop();
    // The device the host opens (the slave end), valid after Start.
    const std::string& DevicePath() const;
    // Keeps what the exchange has given out in the file at path, so that a
    // simulator started again with the same scenario and file goes on with the
    // records still in the buffers, as the exchange does when its line comes
    // back: records given out before (the file's counts) are dropped now, and
    // the file is rewritten after every record reply that went out whole. Call
    // before Start; std::runtime_error for a file that cannot be read.
    void KeepStateIn(const std::string& path);
    // Also makes the device reachable as a symbolic link at path (replacing a
    // link already there); removed by Stop. Throws std::runtime_error on failure.
    void LinkAt(const std::string& path);

    // The logs keep the latest million or so entries each.
    // Everything the host sent, in order.
    std::vector<std::uint8_t> ReceivedBytes() const;
    // Commands as recognised, in order (garbage bytes too).
    std::vector<TCommandSeen> Commands() const;
    // Record payloads sent, in order.
    std::vector<TSentRecord> SentRecords() const;
    // How many records were sent since the start, erased ones too (the log of
    // payloads keeps only the latest).
    std::uint64_t SentRecordCount() const;
    // Records still waiting in exchange i's buffer.
    int PendingRecords(int exchange) const;
    // False once the line has gone away (hang-up fault) or Stop was called.
    bool LineUp() const;

    // Appends a record to exchange i's buffer while running (or before Start);
    // std::out_of_range for an exchange the installation lacks.
    void AddRecord(int exchange, const TBufferRecord& record);
    // Appends a call dated at the exchange's current clock.
    void AddCall(int exchange, TCall call);
    // Replaces the fault switches (their counters start afresh).
    void SetFaults(const TFaults& faults);
    // Changes some switches in place, under the simulator's lock; as with
    // SetFaults, the records counted for the record faults start from 0 again.
    void ChangeFaults(const std::function<void(TFaults&)>& change);
    TFaults Faults() const;

    // Waits until the log holds at least count commands of that kind; false on time-out.
    bool WaitForCommands(TCommandKind kind, int count, std::chrono::milliseconds timeout) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

} // namespace tallyvox::sim
