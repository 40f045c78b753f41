#include "report/Session.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <thread>

namespace tallyvox::report {

namespace {

const TTariffTable& NoTariffs() {
    static const TTariffTable none;
    return none;
}

// A line's or a trunk's traffic and cost while the source is read: its seconds
// in and out, its calls and what they cost. The hours, minutes and seconds
// that the totals show follow from the seconds once everything is read, as
// adding the calls one by one with their carries makes them.
struct TTally {
    std::string Key;
    std::string ProgramNumber; // of a line's first call
    std::uint64_t In = 0;
    std::uint64_t Out = 0;
    std::uint32_t Calls = 0;
    std::uint64_t BilledSeconds = 0;
    TCents Cost = 0;

    void Add(const TTally& later) {
        In += later.In;
        Out += later.Out;
        Calls += later.Calls;
        BilledSeconds += later.BilledSeconds;
        Cost += later.Cost;
    }
};

std::string_view KeyOf(const TTally& tally) {
    return tally.Key;
}

using TTallies = TTotalsList<TTally>;

void AddToTally(TTallies& tallies, std::string_view key, std::string_view program,
                const TExtStr_rep& call, const TCallCost& cost) {
    TTally* tally = tallies.Find(key);
    if (tally == nullptr) {
        tally = &tallies.Append({std::string(key), std::string(program)});
    }
    (call.IsIncoming() ? tally->In : tally->Out) += static_cast<std::uint32_t>(call.TotalSeconds);
    ++tally->Calls;
    tally->BilledSeconds += cost.BilledSeconds;
    tally->Cost += cost.Cost;
}

// Adds the tallies of a later part: a known key adds up, a new one goes to the
// end, as it would have when the calls were read in one go.
void JoinTallies(TTallies& tallies, const TTallies& later) {
    for (const TTally& tally : later) {
        if (TTally* known = tallies.Find(tally.Key)) {
            known->Add(tally);
        } else {
            tallies.Append(tally);
        }
    }
}

// The counters of a tally; the second counts wrap as the per-call sums do.
TTraffic_rep TrafficOf(const TTally& tally) {
    TTraffic_rep traffic;
    traffic.InHours = static_cast<std::uint32_t>(tally.In / 3600);
    traffic.InMinutes = static_cast<std::uint32_t>(tally.In / 60 % 60);
    traffic.InSeconds = static_cast<std::uint32_t>(tally.In % 60);
    traffic.OutHours = static_cast<std::uint32_t>(tally.Out / 3600);
    traffic.OutMinutes = static_cast<std::uint32_t>(tally.Out / 60 % 60);
    traffic.OutSeconds = static_cast<std::uint32_t>(tally.Out % 60);
    traffic.InTotalSeconds = static_cast<std::uint32_t>(tally.In);
    traffic.OutTotalSeconds = static_cast<std::uint32_t>(tally.Out);
    traffic.TotalSeconds = static_cast<std::uint32_t>(tally.In + tally.Out);
    return traffic;
}

TLineList LinesOf(const TTallies& tallies) {
    TLineList lines;
    for (const TTally& tally : tallies) {
        TAL_rep line;
        static_cast<TTraffic_rep&>(line) = TrafficOf(tally);
        line.HardwareLine = tally.Key;
        line.ProgramNumber = tally.ProgramNumber;
        lines.Append(std::move(line));
    }
    return lines;
}

TTrunkList TrunksOf(const TTallies& tallies) {
    TTrunkList trunks;
    for (const TTally& tally : tallies) {
        TSL_rep trunk;
        static_cast<TTraffic_rep&>(trunk) = TrafficOf(tally);
        trunk.Trunk = tally.Key;
        trunks.Append(std::move(trunk));
    }
    return trunks;
}

TCostList CostsOf(const TTallies& tallies) {
    TCostList costs;
    for (const TTally& tally : tallies) {
        costs.Append({tally.Key, tally.Calls, tally.BilledSeconds, tally.Cost});
    }
    return costs;
}

// What one part of a source gives: its tallies, its costs and, when kept, its
// calls with theirs.
struct TPart {
    std::size_t LineCount = 0;
    TCallList Calls;
    std::vector<TCallCost> CallCosts;
    TTallies Lines;
    TTallies Trunks;
    std::optional<TCostTally> Costs; // when priced
};

// The reading of one part: each call of the period goes into the totals, is
// priced, and is kept with its cost when asked.
class TPartReader {
public:
    TPartReader(TPart& part, const TPeriod& period, bool keepCalls)
        : Part(part), Period(period), Whole(period.Whole()), KeepCalls(keepCalls) {}

    void Add(const TExtStr_rep& call) {
        if (!Whole && !Period.Holds(call.Start)) {
            return;
        }
        const TCallCost cost = Part.Costs ? Part.Costs->Price(call) : TCallCost{};
        AddToTally(Part.Lines, call.HardwareLine, call.ProgramNumber, call, cost);
        AddToTally(Part.Trunks, call.Trunk, {}, call, cost);
        if (KeepCalls) {
            Part.Calls.Append(call);
            if (Part.Costs) {
                Part.CallCosts.push_back(cost);
            }
        }
    }

private:
    TPart& Part;
    const TPeriod& Period;
    const bool Whole;
    const bool KeepCalls;
};

// Room for the calls of the whole source in the first part's list, so that
// the later parts join it without moving it. Untouched room costs address
// space only.
void ReserveCalls(TCallSource& source, std::vector<TPart>& parts) {
    std::size_t most = source.MostCalls(0);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        parts[i].Calls.Reserve(source.MostCalls(i));
        most += source.MostCalls(i);
    }
    parts[0].Calls.Reserve(most);
}

void ReadParts(TCallSource& source, std::vector<TPart>& parts, const TPeriod& period,
               bool keepCalls) {
    std::vector<std::exception_ptr> failures(parts.size());
    const auto read = [&](std::size_t i) {
        try {
            TPartReader reader(parts[i], period, keepCalls);
            parts[i].LineCount =
                source.Read(i, [&reader](const TExtStr_rep& call) { reader.Add(call); });
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        workers.emplace_back(read, i);
    }
    read(0);
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

} // namespace

TReportSession::TReportSession(TSessionTables tables) : Tables(tables) {}

TReportSession::~TReportSession() = default;

const TTariffTable& TReportSession::Tariffs() const {
    return Tables.Tariffs != nullptr ? *Tables.Tariffs : NoTariffs();
}

void TReportSession::Load(TCallSource& source, const TPeriod& period, bool keepCalls,
                          unsigned threads) {
    std::vector<TPart> parts(source.PartCount(std::max(threads, 1u)));
    for (TPart& part : parts) {
        if (Priced()) {
            part.Costs.emplace(Tariffs());
        }
    }
    if (keepCalls) {
        ReserveCalls(source, parts);
    }
    ReadParts(source, parts, period, keepCalls);

    TPart& first = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i) {
        first.LineCount += parts[i].LineCount;
        JoinTallies(first.Lines, parts[i].Lines);
        JoinTallies(first.Trunks, parts[i].Trunks);
        if (first.Costs) {
            first.Costs->Join(*parts[i].Costs);
        }
        first.Calls.Splice(std::move(parts[i].Calls));
        first.CallCosts.insert(first.CallCosts.end(), parts[i].CallCosts.begin(),
                               parts[i].CallCosts.end());
    }
    Period_ = period;
    LineCount_ = first.LineCount;
    Calls_ = std::move(first.Calls);
    Calls_.SetLineCount(LineCount_);
    Lines_ = LinesOf(first.Lines);
    Trunks_ = TrunksOf(first.Trunks);
    Costs_ = TCostReport{};
    if (first.Costs) {
        Costs_ = first.Costs->Finish();
        Costs_.Lines = CostsOf(first.Lines);
        Costs_.Trunks = CostsOf(first.Trunks);
    }
    Costs_.Calls = std::move(first.CallCosts);
}

void TReportSession::Reprice() {
    Costs_ = Priced() ? PriceCalls(Calls_, Tariffs()) : TCostReport{};
}

std::unique_ptr<TCostViews> TReportSession::Views(const TCallRows& rows) const {
    return std::make_unique<TCostViews>(rows, Lines_, Trunks_, Costs_, Tariffs());
}

std::vector<std::string> TReportSession::Heading() const {
    return HeadingLines(PeriodCaption(Period_), Tariffs(), Costs_);
}

} // namespace tallyvox::report
