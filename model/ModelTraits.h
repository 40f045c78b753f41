#pragma once
// The exchange models and what each place that decodes or serves them needs to
// know, one row a model: identification, call records, the real-time state
// reply, the simulator and the window all read this table. A new model is a
// new row.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tallyvox {

// How a family prints the trunk code of a call record (model/Numbering.cpp).
enum class TTrunkFamily { Arden, PolarA, PolarC, Tinkle, Other };

// How the real-time state reply numbers subscriber and directory lines.
enum class TLineNumbering {
    None,           // printed as -1
    FromTwoHundred, // 200 + code
    BanksOfEight,   // 200-207, 210-217, ...
    PerExchange     // code + 1
};

struct TModelTraits {
    std::uint8_t Code;     // the identification's model byte; 2: the model names itself
    std::string_view Name; // as identification gives it (a complex: "2?B" or "3?B")
    // The part of a name by which a model that names itself is known; empty:
    // never known by name. Exact: the whole name must be it.
    std::string_view Stem;
    bool StemExact;
    TTrunkFamily TrunkFamily;      // of its call records
    TTrunkFamily StateTrunkFamily; // of the state reply's trunk entries (Other: none)
    TLineNumbering LineNumbering;  // of the state reply's line entries
    bool Complex;                  // several exchanges: trunks qualified by exchange
    bool RealTimeSupported;        // the window's real-time view serves it
};

inline constexpr std::array<TModelTraits, 8> ModelTable{{
    // clang-format off
    // code name        stem       exact  records              state reply          lines                            complex real time
    {3,    "C",         "",        false, TTrunkFamily::Other,  TTrunkFamily::Other,  TLineNumbering::None,           false,  false},
    {4,    "Arden-S",   "Arden",   false, TTrunkFamily::Arden,  TTrunkFamily::Arden,  TLineNumbering::FromTwoHundred, false,  true},
    {6,    "Arden-L1",  "Arden",   false, TTrunkFamily::Arden,  TTrunkFamily::Arden,  TLineNumbering::FromTwoHundred, false,  true},
    {7,    "Polar-A",   "Polar-A", false, TTrunkFamily::PolarA, TTrunkFamily::PolarA, TLineNumbering::BanksOfEight,   false,  false},
    {8,    "Polar-B",   "Polar-B", false, TTrunkFamily::PolarA, TTrunkFamily::Other,  TLineNumbering::BanksOfEight,   false,  false},
    {5,    "Polar-C",   "Polar-C", false, TTrunkFamily::PolarC, TTrunkFamily::PolarC, TLineNumbering::PerExchange,    false,  false},
    {9,    "Tinkle",    "Tinkle",  true,  TTrunkFamily::Tinkle, TTrunkFamily::Tinkle, TLineNumbering::None,           false,  false},
    {2,    "",          "",        false, TTrunkFamily::PolarC, TTrunkFamily::Other,  TLineNumbering::PerExchange,    true,   false},
    // clang-format on
}};

// The row of a model byte other than 2; none for an unknown byte.
const TModelTraits* ModelOfByte(std::uint8_t code);

// The row of a complex (model byte 2, named "2?B" or "3?B").
const TModelTraits& ComplexModel();

// How a place finds a model's row by its name: the name begins with a row's
// stem, or holds it anywhere (a stem marked exact is the whole name either way).
enum class TNameMatch { Prefix, Contains };

// The first row, in table order, whose stem the name matches; none otherwise.
const TModelTraits* ModelNamed(std::string_view name, TNameMatch match);

} // namespace tallyvox
