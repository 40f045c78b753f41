#pragma once
// Small helpers shared by the fuzz targets.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/Record.h"

namespace tallyvox::fuzz {

// Ends the run with a report that libFuzzer records as a crash.
inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Model names that pick every numbering rule, and one that picks none.
inline std::string ModelFromByte(std::uint8_t byte) {
    static const std::array<const char*, 9> Models{
        "Arden-S", "Arden-M", "Polar-A", "Polar-B", "Polar-C", "Tinkle", "B", "2xB", "C"};
    return Models[byte % Models.size()];
}

// The decoding context chosen by two input bytes: the time unit, and the model with
// the complex flag in its high bit.
inline TDecodeContext ContextFromBytes(std::uint8_t timeUnit, std::uint8_t model) {
    TDecodeContext context;
    context.TimeUnit = timeUnit;
    context.ModelName = ModelFromByte(model);
    context.IsComplex = (model & 0x80) != 0;
    context.CurrentYear = 2026;
    return context;
}

} // namespace tallyvox::fuzz
