// A tariff table of any bytes is either refused with its faults, each on a line
// of the text, or read whole; a table read prices any call with a row that
// holds for it and a cost that is never negative.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "report/Period.h"
#include "report/TariffReader.h"

using tallyvox::fuzz::Require;
namespace report = tallyvox::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    report::TTariffTable table;
    try {
        table = report::ReadTariffText(text);
    } catch (const report::ETariffError& error) {
        Require(!error.Faults().empty(), "a refused table names a fault");
        for (const report::TTariffFault& fault : error.Faults()) {
            Require(fault.Line >= 1 && fault.Line <= size + 1, "a fault's line is in the text");
        }
        return 0;
    }
    // Calls made of the input's digits, at moments spread over a week.
    std::string number;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            number += c;
        }
    }
    for (std::size_t at = 0; at < 8; ++at) {
        report::TExtStr_rep call;
        call.Start = report::DateTimeOf(1780000000 + static_cast<std::int64_t>(at) * 80000);
        call.TotalSeconds = static_cast<std::int32_t>(at * at * 37);
        call.DialledNumber = std::string_view(number).substr(0, number.size() * at / 8 + 1);
        call.Trunk = at % 2 == 0 ? "1" : "";
        const report::TCallCost cost = table.Cost(call);
        if (cost.Priced()) {
            const auto& row = table.Rows()[static_cast<std::size_t>(cost.Row)];
            Require(row.Holds(call.Trunk, call.Start), "the chosen row holds for the call");
            Require(call.DialledNumber.substr(0, row.Prefix.size()) == row.Prefix,
                    "the row's prefix begins the number");
            Require(cost.Cost >= 0, "no call costs less than nothing");
        }
    }
    return 0;
}
