#include "report/Tariff.h"

#include <algorithm>
#include <tuple>

#include "report/Period.h"

namespace tallyvox::report {

bool TTariffRow::Holds(std::string_view trunk, const TDateTime& start) const {
    TDateTime day = start;
    day.Hour = day.Minute = day.Second = 0;
    return Holds(trunk, Weekday(start), start.Hour * 60 + start.Minute, SecondsOf(day));
}

bool TTariffRow::Holds(std::string_view trunk, int weekday, int minute, std::int64_t day) const {
    if (!Trunk.empty() && Trunk != trunk) {
        return false;
    }
    if (Days != 0 && (Days & (1u << (weekday - 1))) == 0) {
        return false;
    }
    if (Band) {
        const auto [from, to] = *Band;
        const bool inside =
            from < to ? minute >= from && minute < to : minute >= from || minute < to;
        if (!inside) {
            return false;
        }
    }
    return !ValidFrom || day >= *ValidFrom;
}

std::string TTariffRow::DestinationName() const {
    return Name.empty() ? Prefix : Name;
}

std::optional<TDestinationClass> DestinationClassByName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, TDestinationClass>, 6> Names{{
        {"", TDestinationClass::Other},
        {"local", TDestinationClass::Local},
        {"long_distance", TDestinationClass::LongDistance},
        {"mobile", TDestinationClass::Mobile},
        {"international", TDestinationClass::International},
        {"other", TDestinationClass::Other},
    }};
    for (const auto& [text, kind] : Names) {
        const bool same =
            std::equal(text.begin(), text.end(), name.begin(), name.end(), [](char lower, char c) {
                return lower == (c >= 'A' && c <= 'Z' ? c + 32 : c);
            });
        if (same) {
            return kind;
        }
    }
    return std::nullopt;
}

std::uint32_t BilledSeconds(const TTariffRow& row, std::uint32_t duration) {
    if (duration <= row.FreeSeconds) {
        return 0;
    }
    if (duration <= row.InitialSeconds) {
        return row.InitialSeconds;
    }
    const std::uint32_t rest = duration - row.InitialSeconds;
    return row.InitialSeconds + (rest + row.StepSeconds - 1) / row.StepSeconds * row.StepSeconds;
}

TTariffTable::TTariffTable(std::vector<TTariffRow> rows, std::string fileName)
    : Rows_(std::move(rows)), FileName_(std::move(fileName)) {
    Index();
}

void TTariffTable::Index() {
    Nodes.assign(1, TNode{});
    for (std::size_t i = 0; i < Rows_.size(); ++i) {
        std::size_t node = 0;
        for (const char digit : Rows_[i].Prefix) {
            const auto branch = static_cast<std::size_t>(digit - '0');
            if (Nodes[node].Next[branch] == 0) {
                Nodes.emplace_back(); // may move the nodes: index again after it
                Nodes[node].Next[branch] = static_cast<std::int32_t>(Nodes.size());
            }
            node = static_cast<std::size_t>(Nodes[node].Next[branch] - 1);
        }
        Nodes[node].Rows.push_back(static_cast<std::int32_t>(i));
    }
    // Within one prefix the first row that holds for a call is its row.
    const auto rank = [this](std::int32_t i) {
        const TTariffRow& row = Rows_[static_cast<std::size_t>(i)];
        return std::make_tuple(!row.Trunk.empty(), row.Band.has_value(), row.Days != 0,
                               row.ValidFrom.value_or(INT64_MIN));
    };
    for (TNode& node : Nodes) {
        std::stable_sort(node.Rows.begin(), node.Rows.end(),
                         [&](std::int32_t a, std::int32_t b) { return rank(a) > rank(b); });
    }
}

std::int32_t TTariffTable::RowOf(std::string_view number, std::string_view trunk,
                                 const TDateTime& start) const {
    if (Nodes.empty()) {
        return -1;
    }
    // The nodes along the number, longest prefix last.
    std::array<std::int32_t, 64> path; // only the first depth entries are read
    std::size_t depth = 0;
    std::size_t node = 0;
    path[depth++] = 0;
    for (const char c : number) {
        if (c < '0' || c > '9' || depth == path.size()) {
            break;
        }
        const std::int32_t next = Nodes[node].Next[static_cast<std::size_t>(c - '0')];
        if (next == 0) {
            break;
        }
        node = static_cast<std::size_t>(next - 1);
        path[depth++] = static_cast<std::int32_t>(node);
    }
    TDateTime day = start;
    day.Hour = day.Minute = day.Second = 0;
    const int weekday = Weekday(start);
    const int minute = start.Hour * 60 + start.Minute;
    const std::int64_t daySeconds = SecondsOf(day);
    while (depth > 0) {
        for (const std::int32_t row : Nodes[static_cast<std::size_t>(path[--depth])].Rows) {
            if (Rows_[static_cast<std::size_t>(row)].Holds(trunk, weekday, minute, daySeconds)) {
                return row;
            }
        }
    }
    return -1;
}

TCallCost TTariffTable::Cost(const TExtStr_rep& call) const {
    TCallCost cost;
    if (call.IsIncoming()) {
        return cost;
    }
    cost.Row = RowOf(call.DialledNumber, call.Trunk, call.Start);
    if (cost.Row < 0) {
        return cost;
    }
    const TTariffRow& row = Rows_[static_cast<std::size_t>(cost.Row)];
    const auto duration = static_cast<std::uint32_t>(call.TotalSeconds);
    cost.BilledSeconds = BilledSeconds(row, duration);
    cost.Cost = duration <= row.FreeSeconds
                    ? 0
                    : CallCost(row.ConnectionFee, row.PricePerMinute, cost.BilledSeconds);
    return cost;
}

} // namespace tallyvox::report
