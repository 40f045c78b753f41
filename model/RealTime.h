#pragma once
// The parse of the exchange's real-time state reply into text lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tallyvox {

inline constexpr int RealTimeMaxLines = 60;

// Label of an entry type: "АЛ", "Дф", "СЛ", "ГГС" or "???" (Windows-1251).
std::string RealTimeLabel(std::uint8_t type);

// The line or trunk number shown for an entry of the given type and code.
int RealTimeNumber(const std::string& modelName, std::uint8_t type, std::uint8_t code);

// One text per group of the payload; stops at a 0 group count, at the end of the
// payload and after RealTimeMaxLines lines. An empty payload gives no lines.
std::vector<std::string> ParseRealTimePayload(const std::uint8_t* payload, std::size_t length,
                                              const std::string& modelName);

} // namespace tallyvox
