#pragma once
// What the calls page and the API are asked for: a period, a line, a number
// prefix, the least duration or cost, the direction and the trunk. The texts are
// kept as typed (the form shows them again; the session remembers them).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "report/Money.h"
#include "report/Period.h"
#include "web/CallData.h"
#include "web/Scope.h"

namespace tallyvox::web {

enum class TDirection { Any, Outgoing, Incoming };

struct TCallFilter {
    std::string From; // "YYYY-MM-DD"
    std::string To;
    std::string Line;        // hardware line
    std::string Prefix;      // of the dialled number
    std::string MinDuration; // seconds
    std::string MinCost;     // "1,50" or "1.50"
    std::string Direction;   // "", "out", "in"
    std::string Trunk;
    std::size_t Page = 1;

    // The filter's query, page left out, for links and for the session.
    std::string Query() const;
};

// The filter of a request; param gives a parameter's value, empty when absent.
TCallFilter FilterOf(const std::function<std::string(const std::string&)>& param);

// A filter checked and parsed; faults in Russian (UTF-8) for the page.
struct TCallQuery {
    report::TPeriod Period;
    std::string Line;
    std::string Prefix;
    std::string Trunk;
    std::uint32_t MinSeconds = 0;
    report::TCents MinCents = 0;
    TDirection Direction = TDirection::Any;
};
std::optional<TCallQuery> ParseFilter(const TCallFilter& filter, std::vector<std::string>& faults);

// The positions of the calls in scope that the query keeps, in file order.
std::vector<std::uint32_t> SelectCalls(const TPricedCalls& calls, const TScope& scope,
                                       const TCallQuery& query);

} // namespace tallyvox::web
