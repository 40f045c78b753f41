#pragma once
// The calls the web view shows, and the one place it meets the report library's
// loading: the call file read by the report's own reader and priced by the
// tariff table. The collector appends to the file while the view serves it, so
// the file is read again when its size or time changes; a request meanwhile
// keeps the calls it started with.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "report/Costs.h"
#include "report/Lists.h"
#include "report/Tariff.h"

namespace tallyvox::web {

struct TPricedCalls {
    report::TCallList Calls;
    report::TCostReport Costs; // Costs.Calls in call order; empty without a table
    bool Priced = false;
};

class TCallData {
public:
    TCallData(std::string callFile, report::TTariffTable table);

    // The calls as the file now stands; read again first when it changed. A file
    // that cannot be read leaves the calls read before (none at first), said once.
    std::shared_ptr<const TPricedCalls> Current();
    const report::TTariffTable& Table() const { return Table_; }
    // The destination's name of a priced call (Windows-1251), empty otherwise.
    std::string DestinationOf(const report::TCallCost& cost) const;

private:
    struct TStamp {
        std::uintmax_t Size = 0;
        std::int64_t Time = 0;
        bool operator==(const TStamp&) const = default;
    };
    void Reload(const TStamp& stamp);

    const std::string CallFile;
    const report::TTariffTable Table_;
    std::mutex Mutex;
    std::shared_ptr<const TPricedCalls> Calls;
    TStamp Loaded{static_cast<std::uintmax_t>(-1), -1};
    std::string LastFault; // told once until it changes
};

} // namespace tallyvox::web
