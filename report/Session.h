#pragma once
// One report: the calls of a period from a source, each priced once as it is
// read, the line and trunk totals, the costs and every view of them. The
// window, tallyvox-report and any later client are clients of a session: they
// choose the source, the period and the tariff table, show or write the views,
// and sort or select what the user asks for.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "report/CallSource.h"
#include "report/CostViews.h"
#include "report/Costs.h"
#include "report/Lists.h"
#include "report/Period.h"
#include "report/Selection.h"
#include "report/Tariff.h"

namespace tallyvox::report {

// What a session reads its calls with. Further tables that name what the calls
// show (a directory of subscribers) join the tariff table here.
struct TSessionTables {
    const TTariffTable* Tariffs = nullptr; // nullptr or empty: not priced
};

class TReportSession {
public:
    // tables must outlive the session.
    explicit TReportSession(TSessionTables tables = {});
    ~TReportSession();
    TReportSession(const TReportSession&) = delete;
    TReportSession& operator=(const TReportSession&) = delete;

    // Reads the calls of the period from source, on up to threads threads,
    // pricing and totalling each call once as it is read; replaces whatever
    // was loaded. The calls themselves are kept only when keepCalls is set (a
    // view of the calls, a selection, charts): the totals of a million calls
    // then take next to no memory. Throws as the source does, changing nothing.
    void Load(TCallSource& source, const TPeriod& period, bool keepCalls, unsigned threads = 2);

    const TPeriod& Period() const { return Period_; }
    const TTariffTable& Tariffs() const;
    bool Priced() const { return !Tariffs().Empty(); }
    // The source's lines of 30 characters or more (the figure of "Кол-во строк: ").
    std::size_t LineCount() const { return LineCount_; }
    // The calls of the period, in source order (empty unless kept).
    const TCallList& Calls() const { return Calls_; }
    // The totals, in the order of their first calls until sorted.
    TLineList& Lines() { return Lines_; }
    TTrunkList& Trunks() { return Trunks_; }
    const TLineList& Lines() const { return Lines_; }
    const TTrunkList& Trunks() const { return Trunks_; }
    // The costs (all empty when not priced); Calls in the order of Calls().
    const TCostReport& Costs() const { return Costs_; }

    // Prices the kept calls again, after the tariff table changed; the totals
    // and their order stay.
    void Reprice();

    // The views of the catalog (CostViews.h) with rows as the calls shown
    // (rows must be of Calls() and outlive the views).
    std::unique_ptr<TCostViews> Views(const TCallRows& rows) const;
    // The heading lines of the exports (UTF-8): period, tariffs, grand total.
    std::vector<std::string> Heading() const;

private:
    TSessionTables Tables;
    TPeriod Period_;
    std::size_t LineCount_ = 0;
    TCallList Calls_;
    TLineList Lines_;
    TTrunkList Trunks_;
    TCostReport Costs_;
};

} // namespace tallyvox::report
