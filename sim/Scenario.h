#pragma once
// What the simulated exchange is: the installation's identity and clock, the
// call-record buffers of its exchanges, the real-time state, the faults it shows
// and how fast it talks. A plain value; build it in code or load it from JSON.

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "model/Clock.h"

namespace tallyvox::sim {

// One call as the exchange stored it, given by its meaning.
struct TCall {
    TCalendarTime Start;               // local date and time of the call's start
    std::uint32_t DurationSeconds = 0; // stored in whole time ticks
    std::uint16_t HardwareLine = 0;
    std::string DirectoryNumber; // up to 4 digits, e.g. "205"
    std::uint8_t TrunkCode = 0;  // family-dependent; 0 for an internal call
    std::string Dialled;         // digits, '*' and '#'; at most 20 characters
};

// One entry of a call-record buffer.
struct TBufferRecord {
    enum class TKind { Call, Raw, Erased };
    TKind Kind = TKind::Call;
    TCall Call;                    // Kind == Call
    std::vector<std::uint8_t> Raw; // Kind == Raw: the payload exactly (before the key)
};

// Seeded office traffic: extensions, trunks, incoming and outgoing calls.
struct TTraffic {
    int Count = 0;
    std::uint32_t Seed = 1;
    int Erased = 0; // erased records mixed in among the calls, at seeded places
    // A rehearsal of toll fraud of this seed among the calls (sim/TollFraudAttack.h).
    std::optional<std::uint32_t> AttackSeed{};
};

struct TExchange {
    std::uint16_t Capacity = 2000;
    // Fill words of the status reply (fill = W1 - W2). When unset, W1 counts the
    // records ever written and W2 those sent, so the fill is what is left.
    std::optional<std::uint16_t> W1;
    std::optional<std::uint16_t> W2;
    std::vector<TBufferRecord> Records; // sent first, in this order
    TTraffic Traffic;                   // generated calls, after Records
};

// New calls arriving while the simulator runs, so continuous reading has work;
// an exchange whose buffer is full loses them.
struct TArrivals {
    int EveryMs = 0; // 0: none
    std::uint32_t Seed = 7;
    int Exchange = -1; // -1: each exchange in turn
};

// One connection of the real-time state: entry type ('D' line, 'E', 'F' trunk,
// 'G'), number code and value.
struct TConnection {
    std::uint8_t Type = 'D';
    std::uint8_t Code = 0;
    std::uint8_t Value = 0;
};

// The connections from AtMs (after Start) on, one group per vector.
struct TRealTimeSnapshot {
    std::uint32_t AtMs = 0;
    std::vector<std::vector<TConnection>> Groups;
};

struct TRealTime {
    // A fixed payload (before the key) wins over the snapshots when set.
    std::optional<std::vector<std::uint8_t>> Payload;
    std::vector<TRealTimeSnapshot> Snapshots; // by AtMs, ascending
    std::uint32_t PeriodMs = 0;               // > 0: the snapshots repeat with this period
};

enum class TProbeFault { None, Wrong, Silent };

// Named faults; every one off by default. Counts of "K times" are used up as the
// simulator shows the fault; -1 in a record count means "never".
struct TFaults {
    TProbeFault Probe = TProbeFault::None;
    int ProbeFaultCount = 0;               // the first K probes show the fault; 0: every probe
    std::uint8_t ProbeWrongAnswer = 0x01;  // answer of a wrong probe
    bool NoIdentification = false;         // identify goes unanswered
    std::optional<std::uint8_t> ModelCode; // replaces the model code sent (e.g. 1 or 10)
    int StatusChecksumWrong = 0;           // K status replies with a wrong checksum
    int FillAboveCapacity = 0;             // N > 0: the status shows N records over capacity
    int RefusedExchange = -1;              // every selection of this exchange is refused
    int SelectionsAccepted = -1;           // after this many accepted selections, refuse all
    int FirstRecordChecksumWrong = 0;      // first-record checksum wrong K times (re-sent each)
    int NextRecordChecksumWrong = 0;       // K next-record replies with a wrong checksum
    int EmptyRecordReplies = 0;            // K record commands answered with length 0
    int EndAfterRecords = -1;              // after R records, answer length 1 (end) always
    int SilentAfterRecords = -1;           // after R records, answer nothing at all
    int HangUpAfterRecords = -1;           // after R records, the next command finds the line gone
    int NoiseBytes = 0;                    // random bytes after every reply
};

enum class TTimingMode {
    Fast,     // replies a short margin after the command's last byte
    RealLine, // every byte paced at 19200 baud, 11 bits a byte, plus turnaround
};

// How an exchange ends its records once its buffer is empty: with a record
// reply shorter than a record, or by leaving the host's link check before the
// next record unanswered. Exchanges of the family do either.
enum class TEmptyEnding { ShortReply, LinkCheck };

// The ending named "short-reply" or "link-check"; nothing for another name.
std::optional<TEmptyEnding> EmptyEndingNamed(const std::string& name);

struct TTiming {
    TTimingMode Mode = TTimingMode::Fast;
    // Fast mode: pause after a command's last byte before the reply. The status
    // command gets its own, longer one because the host purges its input right
    // after sending it.
    std::chrono::microseconds FastMargin{2000};
    std::chrono::microseconds StatusMargin{10000};
    // Real-line mode: the exchange's think time between the command's last byte
    // crossing the line and the reply's first byte starting on it. 2 ms is what
    // a busy exchange takes; 0 is an exchange that answers at once, which is
    // what the line's limit is measured against. Scenario files: "turnaroundUs".
    std::chrono::microseconds Turnaround{2000};
    // A command that stops half-way for this long is given up as garbage.
    std::chrono::milliseconds CommandGiveUp{200};
};

struct TScenario {
    std::uint8_t ModelCode = 6;       // identification byte 5 (6: "Arden-L1")
    std::string ModelName;            // 7 characters, sent for model code 2
    std::uint8_t VersionMain = 2;     // byte 7
    std::uint8_t VersionMinor = 0x15; // byte 6: two nibbles (2, 0x15 read as 21,5)
    std::uint16_t SerialNumber = 1234;
    std::uint8_t Key = 0x5A;
    std::uint8_t TimeUnit = 0; // seconds per tick; 0 means 6
    // Exchange clock when the simulator starts (it then runs on); unset: the
    // computer's local time.
    std::optional<std::uint16_t> ClockDays;
    std::uint16_t ClockTicks = 0;
    std::vector<TExchange> Exchanges{TExchange{}}; // one, or 2 or 3 for a complex
    TArrivals Arrivals;
    TRealTime RealTime;
    TFaults Faults;
    TTiming Timing;
    TEmptyEnding EmptyEnding = TEmptyEnding::ShortReply;

    // Seconds per tick as the host reads it (0 means 6).
    int SecondsPerTick() const { return TimeUnit == 0 ? 6 : TimeUnit; }
};

// A bad scenario: the text says what and where. The scenario is what the
// simulator's options ask for, so a fault in it is a usage error of the program.
using EScenarioError = cli::EUsageError;

// The scenario of a JSON text; EScenarioError on malformed JSON, unknown keys,
// wrong types or values out of range. Never crashes on bad input.
TScenario ParseScenario(const std::string& jsonText);
// ParseScenario of a file's contents; EScenarioError also when it cannot be read.
TScenario LoadScenario(const std::string& path);

// The payload of a real-time snapshot: each group's count and entries, closed
// by a 0; a snapshot without groups (nothing connected) is an empty payload.
std::vector<std::uint8_t> RealTimePayloadOf(const TRealTimeSnapshot& snapshot);

// EScenarioError for what no exchange could be built from: 0 or more than 3
// exchanges, or another number than the model code (and, for code 2, the name)
// makes the host select; a time unit of 1 second, which cannot count a day in
// 16 bits; new calls for a missing exchange, a real-time reply over 255 bytes,
// snapshots out of time order, one fill word without the other, more records
// than an exchange's capacity (unless its fill words are given).
void CheckScenario(const TScenario& scenario);

// Sets one fault by its scenario-file name ("probe", "statusChecksumWrong", ...)
// from a JSON value text ("wrong", "3", "true"); EScenarioError when unknown.
void SetFault(TFaults& faults, const std::string& name, const std::string& value);

// Ready-made installations for tests and the program.
// A single exchange of the given model code with count generated calls.
TScenario SingleExchangeScenario(std::uint8_t modelCode = 6, int calls = 0, std::uint32_t seed = 1);
// A code-2 complex of 2 or 3 exchanges (model name "2-B"/"3-B"), callsEach
// generated calls in each exchange.
TScenario ComplexScenario(int exchangeCount, int callsEach = 0, std::uint32_t seed = 1);

} // namespace tallyvox::sim
