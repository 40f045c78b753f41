#include "sim/CommandLine.h"

#include <charconv>
#include <optional>
#include <type_traits>

#include "sim/ConnectionGenerator.h"

namespace tallyvox::sim {
namespace {

long long Number(const std::string& option, const std::string& text, long long low,
                 long long high) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw EScenarioError(option + ": expected a whole number from " + std::to_string(low) +
                             " to " + std::to_string(high) + ", not \"" + text + "\"");
    }
    return value;
}

// What the options ask for, applied in a fixed order whatever their order.
struct TRequest {
    bool Help = false;
    std::string LinkPath;
    std::string StateFile;
    std::optional<std::string> ScenarioFile;
    std::optional<int> Model;
    std::optional<int> Complex;
    std::optional<int> Calls;
    int Erased = 0;
    std::uint32_t Seed = 1;
    std::optional<std::uint32_t> AttackSeed;
    std::optional<int> ArriveEveryMs;
    std::optional<std::uint32_t> ConnectionsSeed;
    bool RealTiming = false;
    std::optional<long long> TurnaroundUs;
    std::optional<TEmptyEnding> EmptyEnding;
    std::vector<std::pair<std::string, std::string>> Faults;
};

TScenario BaseScenario(const TRequest& request) {
    if (request.ScenarioFile) {
        TScenario scenario = LoadScenario(*request.ScenarioFile);
        if (request.Model) {
            scenario.ModelCode = static_cast<std::uint8_t>(*request.Model);
        }
        if (request.Calls) {
            for (std::size_t i = 0; i < scenario.Exchanges.size(); ++i) {
                scenario.Exchanges[i].Traffic = {*request.Calls,
                                                 request.Seed + static_cast<std::uint32_t>(i)};
            }
        }
        return scenario;
    }
    if (request.Complex) {
        if (request.Model) {
            throw EScenarioError("--model and --complex exclude each other: a complex is model 2");
        }
        return ComplexScenario(*request.Complex, request.Calls.value_or(0), request.Seed);
    }
    return SingleExchangeScenario(static_cast<std::uint8_t>(request.Model.value_or(6)),
                                  request.Calls.value_or(0), request.Seed);
}

TRequest ReadOptions(const std::vector<std::string>& arguments) {
    TRequest request;
    // A whole number from low to high into target, whichever type it has.
    auto number = [](auto& target, long long low, long long high) {
        return [&target, low, high](const std::string& option, const std::string& value) {
            target = static_cast<std::decay_t<decltype(target)>>(Number(option, value, low, high));
        };
    };
    cli::TOptionTable(request.Help)
        .Value("--scenario", cli::Into(request.ScenarioFile))
        .Value("--model", number(request.Model, 0, 255))
        .Value("--complex", number(request.Complex, 2, 3))
        .Value("--calls", number(request.Calls, 0, 100000))
        .Value("--erased", number(request.Erased, 0, 100000))
        .Value("--seed", number(request.Seed, 0, 0xFFFFFFFFLL))
        .Value("--attack", number(request.AttackSeed, 0, 0xFFFFFFFFLL))
        .Value("--arrive-every", number(request.ArriveEveryMs, 0, 86'400'000))
        .Value("--connections", number(request.ConnectionsSeed, 0, 0xFFFFFFFFLL))
        .Flag("--real-timing", [&] { request.RealTiming = true; })
        .Value("--turnaround", number(request.TurnaroundUs, 0, 10'000'000))
        .Value("--empty-ending",
               [&](const std::string& option, const std::string& name) {
                   request.EmptyEnding = EmptyEndingNamed(name);
                   if (!request.EmptyEnding) {
                       throw EScenarioError(
                           option + ": expected short-reply or link-check, not \"" + name + "\"");
                   }
               })
        .Value("--state", cli::Into(request.StateFile))
        .Value("--link", cli::Into(request.LinkPath))
        .Value(
            "--fault",
            [&](const std::string& option, const std::string& setting) {
                const auto equals = setting.find('=');
                if (equals == std::string::npos) {
                    throw EScenarioError(option + ": expected NAME=VALUE, not \"" + setting + "\"");
                }
                request.Faults.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
            })
        .Walk(arguments);
    return request;
}

TScenario RequestedScenario(const TRequest& request) {
    TScenario scenario = BaseScenario(request);
    if (request.Erased > 0) {
        for (TExchange& exchange : scenario.Exchanges) {
            exchange.Traffic.Erased = request.Erased;
        }
    }
    if (request.AttackSeed) {
        // The hacked extension is one line of the first exchange.
        scenario.Exchanges.front().Traffic.AttackSeed = request.AttackSeed;
    }
    if (request.ArriveEveryMs) {
        scenario.Arrivals.EveryMs = *request.ArriveEveryMs;
    }
    if (request.ConnectionsSeed) {
        scenario.RealTime = GeneratedConnections(*request.ConnectionsSeed);
    }
    if (request.RealTiming) {
        scenario.Timing.Mode = TTimingMode::RealLine;
    }
    if (request.TurnaroundUs) {
        // One think time in either mode: the real line's turnaround and the
        // fast mode's margin before a reply (the status reply keeps its own).
        scenario.Timing.Turnaround = std::chrono::microseconds(*request.TurnaroundUs);
        scenario.Timing.FastMargin = scenario.Timing.Turnaround;
    }
    if (request.EmptyEnding) {
        scenario.EmptyEnding = *request.EmptyEnding;
    }
    for (const auto& [name, setting] : request.Faults) {
        SetFault(scenario.Faults, name, setting);
    }
    // A scenario file adjusted by the options is checked again: a mistake in
    // the options is reported as one, before any device is opened.
    CheckScenario(scenario);
    return scenario;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    const TRequest request = ReadOptions(arguments);
    TCommandLine line;
    line.Scenario = RequestedScenario(request);
    line.LinkPath = request.LinkPath;
    line.StateFile = request.StateFile;
    line.Help = request.Help;
    return line;
}

std::string Usage() {
    return "usage: tallyvox-sim [options]\n"
           "Answers as an exchange on a pseudo-terminal; prints the device path on the first\n"
           "line, runs until SIGTERM or SIGINT, then reports the records sent on stderr.\n"
           "  --scenario FILE     the installation, buffers and faults from a JSON file\n"
           "  --model CODE        model code of a single exchange (default 6, Arden-L1)\n"
           "  --complex 2|3       a complex of 2 or 3 exchanges\n"
           "  --calls N           N generated calls in each exchange's buffer\n"
           "  --erased N          N erased records among each exchange's calls\n"
           "  --seed S            seed of the generated calls (default 1)\n"
           "  --attack S          a rehearsal of toll fraud among the calls, drawn from\n"
           "                      seed S: premium-rate and international calls from one\n"
           "                      extension on several trunks, the night before the clock\n"
           "  --arrive-every MS   a new call every MS milliseconds\n"
           "  --connections S     live connections that come and go over two minutes (the\n"
           "                      real-time state), drawn from seed S\n"
           "  --real-timing       pace every byte as on a 19200 baud line\n"
           "  --turnaround US     the exchange's think time between a command and its\n"
           "                      reply, in microseconds (default 2000; 0 answers at once)\n"
           "  --empty-ending short-reply|link-check\n"
           "                      how an empty buffer ends the records: a record reply\n"
           "                      shorter than a record (default), or no answer to the\n"
           "                      link check before the next record\n"
           "  --link PATH         also reach the device through a symbolic link at PATH\n"
           "  --state FILE        keep the records given out in FILE: started again with\n"
           "                      the same options, it goes on with the records left\n"
           "                      (give the scenario a fixed clock for the same calls)\n"
           "  --fault NAME=VALUE  a fault by its scenario name, e.g. probe=wrong,\n"
           "                      statusChecksumWrong=3, hangUpAfterRecords=5 (repeatable)\n";
}

} // namespace tallyvox::sim
