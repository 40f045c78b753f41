// The alert rules' evaluation per call, with 200 rules of every kind that looks
// at calls, over a week of office calls; the aim is well under 50 µs a call.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "alerts/Evaluator.h"
#include "alerts/RulesReader.h"
#include "report/Period.h"

namespace {

using namespace tallyvox;

std::string TwoHundredRules() {
    std::string text = "[office]\nworking_days = \"1-5\"\nworking_hours = \"08:00-19:00\"\n";
    for (int i = 0; i < 200; ++i) {
        text += "[[rule]]\nname = \"rule " + std::to_string(i) + "\"\nlevel = \"warning\"\n";
        const std::string line = std::to_string(201 + i % 40);
        switch (i % 6) {
        case 0:
            text += "prefixes = [\"810\", \"8809\"]\nwhen = \"outside_working_hours\"\n";
            break;
        case 1:
            text += "min_duration = \"00:30:00\"\nlines = [\"" + line + "\"]\n";
            break;
        case 2:
            text += "calls = 10\nwithin = \"00:05:00\"\nper = \"line\"\n";
            break;
        case 3:
            text += "daily_minutes = 300\nper = \"line\"\n";
            break;
        case 4:
            text += "trunks_at_once = 4\n";
            break;
        default:
            text += "new_prefix_digits = 4\nunseen_days = 90\n";
            break;
        }
    }
    return text;
}

struct TCallText {
    std::string Line, Number, Trunk;
};

void BM_AlertEvaluationPerCall(benchmark::State& state) {
    std::mt19937 random(7);
    std::vector<TCallText> texts(10000);
    for (TCallText& t : texts) {
        t.Line = std::to_string(201 + random() % 40);
        t.Number = (random() % 10 == 0 ? "810" : "8") + std::to_string(4950000 + random() % 90000);
        t.Trunk = std::to_string(200 + random() % 4);
    }
    alerts::TAlertEvaluator evaluator(alerts::ReadRulesText(TwoHundredRules()));
    std::int64_t start = report::SecondsOf({2027, 1, 4, 0, 0, 0});
    std::uint64_t number = 0;
    for (auto _ : state) {
        const TCallText& t = texts[number % texts.size()];
        report::TExtStr_rep call;
        start += 60;
        call.Start = report::DateTimeOf(start);
        call.TotalSeconds = static_cast<std::int32_t>(random() % 600);
        call.HardwareLine = t.Line;
        call.DialledNumber = t.Number;
        call.Trunk = t.Trunk;
        benchmark::DoNotOptimize(evaluator.Add(number++, call, 0));
    }
    state.counters["rules"] = 200;
}

BENCHMARK(BM_AlertEvaluationPerCall)->Unit(benchmark::kMicrosecond);

} // namespace
