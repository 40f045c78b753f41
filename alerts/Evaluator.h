#pragma once
// Which rules the calls fire, taken one after another as they are written to the
// call file. Each call fires each rule at most once. A burst fires every call of
// its window once the window holds enough calls, so a call may fire when a later
// one comes.
//
// Counters restart: a daily cap at 00:00:00 of each call's start day; a burst
// window slides with the calls' starts; the seen prefixes remember the last day
// each was dialled, and a new prefix fires only once the calls seen cover the
// rule's unseen days.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "alerts/Rules.h"
#include "report/Types.h"

namespace tallyvox::alerts {

struct TFiring {
    std::size_t Rule = 0;   // index into the rules
    std::uint64_t Call = 0; // the number the caller gave the call
};

class TAlertEvaluator {
public:
    explicit TAlertEvaluator(TRules rules);
    ~TAlertEvaluator();
    TAlertEvaluator(TAlertEvaluator&&) noexcept;
    TAlertEvaluator& operator=(TAlertEvaluator&&) noexcept;

    const TRules& Rules() const { return Rules_; }

    // The next call, numbered by the caller, with its cost (0 when not priced).
    // The firings it brings, in rule order.
    std::vector<TFiring> Add(std::uint64_t number, const report::TExtStr_rep& call,
                             report::TCents cost);
    // A call from before the evaluated time: it only teaches which prefixes were
    // dialled when.
    void Remember(const report::TExtStr_rep& call);

private:
    struct TRuleState;
    TRules Rules_;
    std::vector<std::unique_ptr<TRuleState>> States;
};

} // namespace tallyvox::alerts
