#pragma once
// A tariff table: which row prices a call and what the call costs. The rows come
// from a table a person writes (TariffReader.h); the choice of a call's row goes
// through a digit trie built once, so pricing a million calls costs a walk of a
// few digits per call, not a scan of the table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/Money.h"
#include "report/Types.h"

namespace tallyvox::report {

constexpr int DayMinutes = 24 * 60;

// What kind of destination a row prices, for the cost split of departments.
enum class TDestinationClass { Local, LongDistance, Mobile, International, Other };
constexpr std::size_t DestinationClassCount = 5;

// The class of its name in the table: "local", "long_distance", "mobile",
// "international", "other" (any case); an empty text is Other; nothing for
// another text.
std::optional<TDestinationClass> DestinationClassByName(std::string_view name);

struct TTariffRow {
    std::string Prefix; // digits; empty: the default row, for every number
    std::string Name;   // Windows-1251; the destination this row prices
    TPrice PricePerMinute = 0;
    std::uint32_t InitialSeconds = 60; // the first billed block
    std::uint32_t StepSeconds = 60;    // each later block
    std::uint32_t FreeSeconds = 0;     // a call not longer than this costs nothing
    TPrice ConnectionFee = 0;
    std::string Trunk;                       // empty: any trunk
    std::uint8_t Days = 0;                   // bit d-1 for weekday d (1 = Monday); 0: every day
    std::optional<std::pair<int, int>> Band; // from, to in minutes of the day; wraps when to < from
    std::optional<std::int64_t> ValidFrom;   // seconds of the first day's 00:00:00 (SecondsOf)
    TDestinationClass Class = TDestinationClass::Other;
    std::size_t Line = 0; // in the table's file, for messages

    // Whether the row's trunk, days, band and date hold for a call.
    bool Holds(std::string_view trunk, const TDateTime& start) const;
    // The same for a start taken apart once: its weekday (1 = Monday), minute of
    // the day and the seconds (SecondsOf) of its day's 00:00:00.
    bool Holds(std::string_view trunk, int weekday, int minute, std::int64_t day) const;
    // The destination's name as shown: Name, or the prefix when it has none.
    std::string DestinationName() const;
};

// The seconds billed for an outgoing call of duration seconds: 0 up to the free
// seconds, else the initial block and the rest in whole steps.
std::uint32_t BilledSeconds(const TTariffRow& row, std::uint32_t duration);

// What one call costs by a table.
struct TCallCost {
    std::int32_t Row = -1; // the row that priced it; -1: incoming or unpriced
    std::uint32_t BilledSeconds = 0;
    TCents Cost = 0;
    bool Priced() const { return Row >= 0; }
};

class TTariffTable {
public:
    TTariffTable() = default;
    // rows must hold no two rows that tie for a call (the reader refuses those).
    explicit TTariffTable(std::vector<TTariffRow> rows, std::string fileName = {});

    const std::vector<TTariffRow>& Rows() const { return Rows_; }
    // The name of the file the table came from (UTF-8), for captions.
    const std::string& FileName() const { return FileName_; }
    bool Empty() const { return Rows_.empty(); }

    // The row of a call dialling number on trunk at start, or -1: among the rows
    // that hold, the longest prefix, then one for the call's trunk, then one with a
    // band, then one with days, then the latest valid_from.
    std::int32_t RowOf(std::string_view number, std::string_view trunk,
                       const TDateTime& start) const;
    // The cost of a call: nothing for an incoming call or one no row prices.
    TCallCost Cost(const TExtStr_rep& call) const;

private:
    struct TNode {
        std::array<std::int32_t, 10> Next{}; // node index + 1, 0: none
        std::vector<std::int32_t> Rows;      // rows of this prefix, best first
    };
    void Index();

    std::vector<TTariffRow> Rows_;
    std::string FileName_;
    std::vector<TNode> Nodes; // Nodes[0] is the empty prefix
};

} // namespace tallyvox::report
