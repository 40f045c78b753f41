// The scenario file: a JSON object whose keys mirror TScenario. Unknown keys
// are errors, so a misspelt fault never passes silently.

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/CalendarEncode.h"
#include "sim/RecordEncoder.h"
#include "sim/Scenario.h"

namespace tallyvox::sim {
namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw EScenarioError(where.empty() ? what : where + ": " + what);
}

// One JSON object being read, with its place in the file for the messages.
class TObject {
public:
    TObject(const json& value, std::string where) : Value(value), Where(std::move(where)) {
        if (!Value.is_object()) {
            Fail(Where.empty() ? "scenario" : Where, "expected an object");
        }
    }

    void AllowOnly(std::initializer_list<const char*> keys) const {
        for (const auto& item : Value.items()) {
            bool known = false;
            for (const char* key : keys) {
                known = known || item.key() == key;
            }
            if (!known) {
                Fail(Where, "unknown key \"" + item.key() + "\"");
            }
        }
    }

    const json* Find(const char* key) const {
        const auto found = Value.find(key);
        return found == Value.end() ? nullptr : &*found;
    }

    std::string At(const char* key) const { return Where.empty() ? key : Where + "." + key; }
    const std::string& Place() const { return Where; }

    // Calls read(element, place) for each element of the array under key, if any.
    template <typename TRead> void EachElement(const char* key, TRead read) const {
        if (const json* array = Find(key)) {
            if (!array->is_array()) {
                Fail(At(key), "expected an array");
            }
            for (std::size_t i = 0; i < array->size(); ++i) {
                read((*array)[i], At(key) + "[" + std::to_string(i) + "]");
            }
        }
    }

    template <typename T>
    void Integer(const char* key, T& target, long long low, long long high) const {
        if (const json* value = Find(key)) {
            target = static_cast<T>(IntegerValue(*value, At(key), low, high));
        }
    }

    template <typename T>
    void Integer(const char* key, std::optional<T>& target, long long low, long long high) const {
        if (const json* value = Find(key)) {
            target = static_cast<T>(IntegerValue(*value, At(key), low, high));
        }
    }

    void Text(const char* key, std::string& target) const {
        if (const json* value = Find(key)) {
            if (!value->is_string()) {
                Fail(At(key), "expected a string");
            }
            target = value->get<std::string>();
        }
    }

    void Flag(const char* key, bool& target) const {
        if (const json* value = Find(key)) {
            if (!value->is_boolean()) {
                Fail(At(key), "expected true or false");
            }
            target = value->get<bool>();
        }
    }

    static long long IntegerValue(const json& value, const std::string& where, long long low,
                                  long long high) {
        if (!value.is_number_integer()) {
            Fail(where, "expected an integer");
        }
        const long long number = value.is_number_unsigned()
                                     ? static_cast<long long>(std::min<std::uint64_t>(
                                           value.get<std::uint64_t>(), 1ULL << 62))
                                     : value.get<long long>();
        if (number < low || number > high) {
            Fail(where, "expected " + std::to_string(low) + " to " + std::to_string(high));
        }
        return number;
    }

private:
    const json& Value;
    std::string Where;
};

std::vector<std::uint8_t> Bytes(const json& value, const std::string& where, std::size_t maxCount) {
    if (!value.is_array()) {
        Fail(where, "expected an array of bytes");
    }
    if (value.size() > maxCount) {
        Fail(where, "more than " + std::to_string(maxCount) + " bytes");
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < value.size(); ++i) {
        bytes.push_back(static_cast<std::uint8_t>(
            TObject::IntegerValue(value[i], where + "[" + std::to_string(i) + "]", 0, 255)));
    }
    return bytes;
}

// "YYYY-MM-DD hh:mm:ss"
TCalendarTime DateTime(const json& value, const std::string& where) {
    const char* format = "expected \"YYYY-MM-DD hh:mm:ss\"";
    if (!value.is_string()) {
        Fail(where, format);
    }
    const std::string text = value.get<std::string>();
    TCalendarTime time;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &time.Year, &time.Month, &time.Day,
                    &time.Hour, &time.Minute, &time.Second, &tail) != 6) {
        Fail(where, format);
    }
    if (!ToExchangeTime(time, 6)) {
        Fail(where, "not a date and time the exchange can hold (1980 on)");
    }
    return time;
}

TCall CallOf(const TObject& object, int secondsPerTick) {
    object.AllowOnly({"start", "duration", "line", "directory", "trunk", "dialled"});
    TCall call;
    const json* start = object.Find("start");
    if (start == nullptr) {
        Fail(object.At("start"), "a call needs its start");
    }
    call.Start = DateTime(*start, object.At("start"));
    object.Integer("duration", call.DurationSeconds, 0, 65535LL * secondsPerTick);
    object.Integer("line", call.HardwareLine, 0, 65535);
    object.Text("directory", call.DirectoryNumber);
    object.Integer("trunk", call.TrunkCode, 0, 255);
    object.Text("dialled", call.Dialled);
    try {
        EncodeCall(call, secondsPerTick);
    } catch (const ERecordError& error) {
        Fail(object.Place(), error.what());
    }
    return call;
}

TBufferRecord RecordOf(const json& value, const std::string& where, int secondsPerTick) {
    const TObject object(value, where);
    TBufferRecord record;
    if (const json* raw = object.Find("raw")) {
        object.AllowOnly({"raw"});
        record.Kind = TBufferRecord::TKind::Raw;
        record.Raw = Bytes(*raw, object.At("raw"), 255);
    } else if (object.Find("erased") != nullptr) {
        object.AllowOnly({"erased"});
        bool erased = false;
        object.Flag("erased", erased);
        if (!erased) {
            Fail(object.At("erased"), "only true makes sense here");
        }
        record.Kind = TBufferRecord::TKind::Erased;
    } else {
        record.Call = CallOf(object, secondsPerTick);
    }
    return record;
}

TExchange ExchangeOf(const json& value, const std::string& where, int secondsPerTick) {
    const TObject object(value, where);
    object.AllowOnly({"capacity", "w1", "w2", "records", "traffic"});
    TExchange exchange;
    object.Integer("capacity", exchange.Capacity, 0, 65535);
    object.Integer("w1", exchange.W1, 0, 65535);
    object.Integer("w2", exchange.W2, 0, 65535);
    object.EachElement("records", [&](const json& record, const std::string& place) {
        exchange.Records.push_back(RecordOf(record, place, secondsPerTick));
    });
    if (const json* traffic = object.Find("traffic")) {
        const TObject generator(*traffic, object.At("traffic"));
        generator.AllowOnly({"count", "seed", "erased"});
        generator.Integer("count", exchange.Traffic.Count, 0, 100000);
        generator.Integer("seed", exchange.Traffic.Seed, 0, 0xFFFFFFFFLL);
        generator.Integer("erased", exchange.Traffic.Erased, 0, 100000);
    }
    return exchange;
}

std::uint8_t ConnectionType(const json& value, const std::string& where) {
    if (value.is_string() && value.get<std::string>().size() == 1) {
        return static_cast<std::uint8_t>(value.get<std::string>()[0]);
    }
    if (value.is_number_integer()) {
        return static_cast<std::uint8_t>(TObject::IntegerValue(value, where, 0, 255));
    }
    Fail(where, "expected one character such as \"D\", or a byte");
}

TRealTimeSnapshot SnapshotOf(const json& value, const std::string& where) {
    const TObject object(value, where);
    object.AllowOnly({"atMs", "groups"});
    TRealTimeSnapshot snapshot;
    object.Integer("atMs", snapshot.AtMs, 0, 0xFFFFFFFFLL);
    const json* groups = object.Find("groups");
    if (groups == nullptr || !groups->is_array()) {
        Fail(object.At("groups"), "expected an array of groups");
    }
    for (std::size_t g = 0; g < groups->size(); ++g) {
        const std::string at = object.At("groups") + "[" + std::to_string(g) + "]";
        const json& group = (*groups)[g];
        if (!group.is_array() || group.empty() || group.size() > 255) {
            Fail(at, "expected an array of 1 to 255 connections");
        }
        snapshot.Groups.emplace_back();
        for (std::size_t c = 0; c < group.size(); ++c) {
            const TObject entry(group[c], at + "[" + std::to_string(c) + "]");
            entry.AllowOnly({"type", "code", "value"});
            TConnection connection;
            if (const json* type = entry.Find("type")) {
                connection.Type = ConnectionType(*type, entry.At("type"));
            }
            entry.Integer("code", connection.Code, 0, 255);
            entry.Integer("value", connection.Value, 0, 255);
            snapshot.Groups.back().push_back(connection);
        }
    }
    return snapshot;
}

TRealTime RealTimeOf(const json& value, const std::string& where) {
    const TObject object(value, where);
    object.AllowOnly({"payload", "snapshots", "periodMs"});
    TRealTime state;
    if (const json* payload = object.Find("payload")) {
        state.Payload = Bytes(*payload, object.At("payload"), 255);
    }
    object.EachElement("snapshots", [&](const json& snapshot, const std::string& place) {
        state.Snapshots.push_back(SnapshotOf(snapshot, place));
    });
    object.Integer("periodMs", state.PeriodMs, 0, 0xFFFFFFFFLL);
    return state;
}

void ApplyFaults(const TObject& object, TFaults& faults) {
    object.AllowOnly({"probe", "probeCount", "probeAnswer", "noIdentification", "modelCode",
                      "statusChecksumWrong", "fillAboveCapacity", "refusedExchange",
                      "selectionsAccepted", "firstRecordChecksumWrong", "nextRecordChecksumWrong",
                      "emptyRecordReplies", "endAfterRecords", "silentAfterRecords",
                      "hangUpAfterRecords", "noiseBytes"});
    if (const json* probe = object.Find("probe")) {
        const std::string mode = probe->is_string() ? probe->get<std::string>() : "";
        if (mode == "none") {
            faults.Probe = TProbeFault::None;
        } else if (mode == "wrong") {
            faults.Probe = TProbeFault::Wrong;
        } else if (mode == "silent") {
            faults.Probe = TProbeFault::Silent;
        } else {
            Fail(object.At("probe"), "expected \"none\", \"wrong\" or \"silent\"");
        }
    }
    constexpr long long many = 1000000;
    object.Integer("probeCount", faults.ProbeFaultCount, 0, many);
    object.Integer("probeAnswer", faults.ProbeWrongAnswer, 1, 255);
    object.Flag("noIdentification", faults.NoIdentification);
    object.Integer("modelCode", faults.ModelCode, 0, 255);
    object.Integer("statusChecksumWrong", faults.StatusChecksumWrong, 0, many);
    object.Integer("fillAboveCapacity", faults.FillAboveCapacity, 0, 65535);
    object.Integer("refusedExchange", faults.RefusedExchange, -1, 255);
    object.Integer("selectionsAccepted", faults.SelectionsAccepted, -1, many);
    object.Integer("firstRecordChecksumWrong", faults.FirstRecordChecksumWrong, 0, 200);
    object.Integer("nextRecordChecksumWrong", faults.NextRecordChecksumWrong, 0, many);
    object.Integer("emptyRecordReplies", faults.EmptyRecordReplies, 0, many);
    object.Integer("endAfterRecords", faults.EndAfterRecords, -1, many);
    object.Integer("silentAfterRecords", faults.SilentAfterRecords, -1, many);
    object.Integer("hangUpAfterRecords", faults.HangUpAfterRecords, -1, many);
    object.Integer("noiseBytes", faults.NoiseBytes, 0, 64);
}

TTiming TimingOf(const TObject& object) {
    object.AllowOnly({"mode", "fastMarginUs", "statusMarginUs", "turnaroundUs"});
    TTiming timing;
    std::string mode = "fast";
    object.Text("mode", mode);
    if (mode == "real") {
        timing.Mode = TTimingMode::RealLine;
    } else if (mode != "fast") {
        Fail(object.At("mode"), "expected \"fast\" or \"real\"");
    }
    auto micro = [&object](const char* key, std::chrono::microseconds& target) {
        long long value = target.count();
        object.Integer(key, value, 0, 10'000'000);
        target = std::chrono::microseconds(value);
    };
    micro("fastMarginUs", timing.FastMargin);
    micro("statusMarginUs", timing.StatusMargin);
    micro("turnaroundUs", timing.Turnaround);
    return timing;
}

void ReadInstallation(const TObject& object, TScenario& scenario) {
    object.Integer("modelCode", scenario.ModelCode, 0, 255);
    object.Text("modelName", scenario.ModelName);
    if (scenario.ModelName.size() > 7) {
        Fail(object.At("modelName"), "at most 7 characters");
    }
    object.Integer("versionMain", scenario.VersionMain, 0, 255);
    object.Integer("versionMinor", scenario.VersionMinor, 0, 255);
    object.Integer("serialNumber", scenario.SerialNumber, 0, 65535);
    object.Integer("key", scenario.Key, 0, 255);
    object.Integer("timeUnit", scenario.TimeUnit, 0, 255);
    if (const json* clock = object.Find("clock")) {
        if (clock->is_string()) {
            const auto time =
                ToExchangeTime(DateTime(*clock, object.At("clock")), scenario.SecondsPerTick());
            if (!time) {
                Fail(object.At("clock"), "not a time the exchange can hold");
            }
            scenario.ClockDays = time->Days;
            scenario.ClockTicks = time->Ticks;
        } else {
            const TObject days(*clock, object.At("clock"));
            days.AllowOnly({"days", "ticks"});
            scenario.ClockDays = 0;
            days.Integer("days", scenario.ClockDays, 0, 65535);
            days.Integer("ticks", scenario.ClockTicks, 0, 65535);
        }
    }
}

} // namespace

TScenario ParseScenario(const std::string& jsonText) {
    json document;
    try {
        document = json::parse(jsonText);
    } catch (const json::exception& error) {
        Fail("scenario", std::string("not valid JSON: ") + error.what());
    }
    const TObject object(document, "");
    object.AllowOnly({"modelCode", "modelName", "versionMain", "versionMinor", "serialNumber",
                      "key", "timeUnit", "clock", "exchanges", "arrivals", "realTime", "faults",
                      "timing", "emptyEnding"});
    TScenario scenario;
    ReadInstallation(object, scenario);
    if (const json* exchanges = object.Find("exchanges")) {
        if (!exchanges->is_array() || exchanges->empty() || exchanges->size() > 3) {
            Fail("exchanges", "expected an array of 1 to 3 exchanges");
        }
        scenario.Exchanges.clear();
        for (std::size_t i = 0; i < exchanges->size(); ++i) {
            scenario.Exchanges.push_back(ExchangeOf((*exchanges)[i],
                                                    "exchanges[" + std::to_string(i) + "]",
                                                    scenario.SecondsPerTick()));
        }
    }
    if (const json* arrivals = object.Find("arrivals")) {
        const TObject each(*arrivals, "arrivals");
        each.AllowOnly({"everyMs", "seed", "exchange"});
        each.Integer("everyMs", scenario.Arrivals.EveryMs, 0, 86'400'000);
        each.Integer("seed", scenario.Arrivals.Seed, 0, 0xFFFFFFFFLL);
        each.Integer("exchange", scenario.Arrivals.Exchange, -1,
                     static_cast<long long>(scenario.Exchanges.size()) - 1);
    }
    if (const json* realTime = object.Find("realTime")) {
        scenario.RealTime = RealTimeOf(*realTime, "realTime");
    }
    if (const json* faults = object.Find("faults")) {
        ApplyFaults(TObject(*faults, "faults"), scenario.Faults);
    }
    if (const json* timing = object.Find("timing")) {
        scenario.Timing = TimingOf(TObject(*timing, "timing"));
    }
    std::string ending = "short-reply";
    object.Text("emptyEnding", ending);
    const std::optional<TEmptyEnding> emptyEnding = EmptyEndingNamed(ending);
    if (!emptyEnding) {
        Fail("emptyEnding", "expected \"short-reply\" or \"link-check\"");
    }
    scenario.EmptyEnding = *emptyEnding;
    CheckScenario(scenario);
    return scenario;
}

TScenario LoadScenario(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        Fail(path, "cannot read the scenario file");
    }
    std::ostringstream text;
    text << file.rdbuf();
    try {
        return ParseScenario(text.str());
    } catch (const EScenarioError& error) {
        Fail(path, error.what());
    }
}

void SetFault(TFaults& faults, const std::string& name, const std::string& value) {
    json setting = json::object();
    const json parsed = json::parse(value, nullptr, false);
    setting[name] = parsed.is_discarded() ? json(value) : parsed;
    ApplyFaults(TObject(setting, "fault"), faults);
}

} // namespace tallyvox::sim
