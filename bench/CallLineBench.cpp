// How long the per-record work of a read takes: decoding a payload, formatting
// its call line, and the report's parse of that line.

#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>

#include "callfile/CallLine.h"
#include "model/Record.h"

namespace {

using tallyvox::TDecodeContext;

// 7 May 2004 12:34:56, 65 seconds, line 201, program number 112, trunk code 5,
// dialled 80123*# (time unit 1 second).
constexpr std::array<std::uint8_t, 15> kPayload = {0xBD, 0x22, 0xF0, 0xB0, 0x41, 0x00, 0xC9, 0x00,
                                                   0x12, 0x00, 0x05, 0x8A, 0x12, 0x3B, 0xC0};

TDecodeContext Context() {
    TDecodeContext context;
    context.TimeUnit = 1;
    context.ModelName = "Polar-C";
    context.CurrentYear = 2026;
    return context;
}

void BM_DecodeRecord(benchmark::State& state) {
    const TDecodeContext context = Context();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tallyvox::DecodeRecordPayload(kPayload.data(), kPayload.size(), context));
    }
}
BENCHMARK(BM_DecodeRecord);

void BM_FormatCallLine(benchmark::State& state) {
    const auto record = tallyvox::DecodeRecordPayload(kPayload.data(), kPayload.size(), Context());
    for (auto _ : state) {
        benchmark::DoNotOptimize(tallyvox::callfile::FormatCallLine(record));
    }
}
BENCHMARK(BM_FormatCallLine);

void BM_ParseCallLine(benchmark::State& state) {
    const auto record = tallyvox::DecodeRecordPayload(kPayload.data(), kPayload.size(), Context());
    const std::string line = tallyvox::callfile::FormatCallLine(record);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tallyvox::callfile::ParseCallLine(line));
    }
}
BENCHMARK(BM_ParseCallLine);

} // namespace
