// Generated traffic is the same for a seed and looks like an office's calls
// once the program decodes it.

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "model/Record.h"
#include "sim/CalendarEncode.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"

namespace tallyvox::simtest {
namespace {

const TCalendarTime Now{2026, 12, 8, 11, 30, 0};

std::vector<sim::TCall> Generate(std::uint32_t seed, int count,
                                 sim::TTrunkPlan plan = sim::TTrunkPlan::Arden) {
    return sim::TTrafficGenerator(seed, plan, 0).History(count, Now);
}

std::vector<std::vector<std::uint8_t>> Payloads(const std::vector<sim::TCall>& calls) {
    std::vector<std::vector<std::uint8_t>> payloads;
    for (const sim::TCall& call : calls) {
        payloads.push_back(sim::EncodeCall(call, 6));
    }
    return payloads;
}

TEST(TrafficGeneratorTest, ASeedAlwaysGivesTheSameTraffic) {
    EXPECT_EQ(Payloads(Generate(42, 300)), Payloads(Generate(42, 300)));
    EXPECT_NE(Payloads(Generate(42, 300)), Payloads(Generate(43, 300)));
    EXPECT_EQ(Generate(42, 300).size(), 300u);
}

TEST(TrafficGeneratorTest, EveryCallDecodesIntoAPlausibleCallThatHasEnded) {
    TDecodeContext context;
    context.ModelName = "Arden-L1";
    context.CurrentYear = Now.Year;
    const std::int64_t now = sim::CalendarToSeconds(Now);
    std::int64_t previousEnd = 0;
    for (const sim::TCall& call : Generate(7, 2000)) {
        const auto payload = sim::EncodeCall(call, 6);
        const TRecord record = DecodeRecordPayload(payload.data(), payload.size(), context);
        EXPECT_GE(record.Year, 2000);
        EXPECT_EQ(record.YearInvalid + record.MonthInvalid + record.DayInvalid, 0);
        EXPECT_LT(call.DurationSeconds, 86400u);
        const std::int64_t end = sim::CalendarToSeconds(call.Start) + call.DurationSeconds;
        EXPECT_LE(end, now);
        EXPECT_GE(end, previousEnd); // written as the calls end
        previousEnd = end;
        EXPECT_NE(record.ProgramNumber, "-1");
        EXPECT_NE(record.Trunk, "198"); // a trunk code of 0 would decode to this
        EXPECT_EQ(record.DialledNumber.find_first_not_of("0123456789*#"), std::string::npos);
        EXPECT_LE(payload.size(), 21u);
    }
}

TEST(TrafficGeneratorTest, TheTrafficHasTheVarietyOfAnOffice) {
    const auto calls = Generate(3, 2000);
    auto count = [&calls](auto predicate) {
        return std::count_if(calls.begin(), calls.end(), predicate);
    };
    EXPECT_GT(count([](const sim::TCall& c) { return c.Dialled.empty(); }), 300); // incoming
    EXPECT_GT(count([](const sim::TCall& c) { return c.Dialled.size() >= 11; }), 300);
    EXPECT_GT(count([](const sim::TCall& c) {
                  return c.Dialled.find_first_of("*#") != std::string::npos;
              }),
              10);
    EXPECT_GT(count([](const sim::TCall& c) { return c.DurationSeconds < 60; }), 50);
    // Holding times are lognormal with a thin tail: some calls of over ten
    // minutes, hardly any over an hour, none over two.
    EXPECT_GT(count([](const sim::TCall& c) { return c.DurationSeconds > 600; }), 30);
    EXPECT_LT(count([](const sim::TCall& c) { return c.DurationSeconds > 3600; }), 20);
    EXPECT_EQ(count([](const sim::TCall& c) { return c.DurationSeconds > 7200; }), 0);
    EXPECT_GT(count([](const sim::TCall& c) { return c.Start.Hour >= 8 && c.Start.Hour < 19; }),
              1500);
    std::vector<int> lines;
    for (const sim::TCall& call : calls) {
        lines.push_back(call.HardwareLine);
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_GT(std::unique(lines.begin(), lines.end()) - lines.begin(), 20);
}

// No trunk and no extension carries two calls at once, in the stored calls nor
// in those that arrive later, whatever the plan; a stored call starts at least
// a tick (6 s) after the circuit's previous one ended, so whole ticks keep them
// apart.
TEST(TrafficGeneratorTest, ATrunkCarriesOneCallAtATime) {
    for (sim::TTrunkPlan plan : {sim::TTrunkPlan::Arden, sim::TTrunkPlan::PolarC,
                                 sim::TTrunkPlan::Complex, sim::TTrunkPlan::Tinkle}) {
        sim::TTrafficGenerator generator(2004, plan, 1);
        std::vector<sim::TCall> calls = generator.History(1900, Now);
        ASSERT_EQ(calls.size(), 1900u);
        const std::int64_t now = sim::CalendarToSeconds(Now);
        for (int i = 1; i <= 300; ++i) {
            calls.push_back(generator.EndingAt(sim::SecondsToCalendar(now + 20 * i)));
        }
        std::map<std::string, std::vector<std::pair<std::int64_t, std::int64_t>>> byCircuit;
        for (const sim::TCall& call : calls) {
            const std::int64_t start = sim::CalendarToSeconds(call.Start);
            for (const std::string& circuit : {"trunk " + std::to_string(call.TrunkCode),
                                               "line " + std::to_string(call.HardwareLine)}) {
                byCircuit[circuit].emplace_back(start, start + call.DurationSeconds);
            }
        }
        for (auto& [circuit, times] : byCircuit) {
            std::sort(times.begin(), times.end());
            for (std::size_t i = 1; i < times.size(); ++i) {
                EXPECT_GE(times[i].first, times[i - 1].second + (times[i].second <= now ? 6 : 0))
                    << circuit << " call " << i;
            }
        }
    }
    // Outgoing and incoming calls in the shares 50 to 35 of all calls.
    const auto calls = Generate(2004, 1900);
    const auto incoming = std::count_if(calls.begin(), calls.end(),
                                        [](const sim::TCall& c) { return c.Dialled.empty(); });
    EXPECT_NEAR(static_cast<double>(incoming) / 1900, 35.0 / 85, 0.04);
}

TEST(TrafficGeneratorTest, TrunkCodesFollowThePlan) {
    for (const sim::TCall& call :
         sim::TTrafficGenerator(1, sim::TTrunkPlan::Complex, 2).History(200, Now)) {
        EXPECT_EQ(call.TrunkCode >> 6, 2);
        EXPECT_GE(call.TrunkCode & 0x3F, 1);
        EXPECT_EQ(call.DirectoryNumber[0], '4');
    }
    for (const sim::TCall& call : Generate(1, 200, sim::TTrunkPlan::Tinkle)) {
        EXPECT_GE(call.TrunkCode, 1);
        EXPECT_LE(call.TrunkCode, 6);
    }
}

// Each model family's trunk codes, decoded as the program decodes them for that
// model, name a trunk the family has.
TEST(TrafficGeneratorTest, EveryFamilysTrunkCodesDecodeToItsTrunks) {
    struct TFamily {
        std::uint8_t Code;
        std::string Name;
        std::string ReadName; // as the host keeps it
        bool Complex;
        int Exchanges;
    };
    const std::vector<TFamily> families{
        {4, "", "Arden-S", false, 1},        {6, "", "Arden-L1", false, 1},
        {5, "", "Polar-C", false, 1},        {7, "", "Polar-A", false, 1},
        {8, "", "Polar-B", false, 1},        {9, "", "Tinkle", false, 1},
        {2, "Polar-C", "Polar-C", false, 1}, {2, "Arden-S", "Arden-S", false, 1},
        {2, "3-B", "3-B", true, 3}};
    for (const TFamily& family : families) {
        sim::TScenario scenario;
        scenario.ModelCode = family.Code;
        scenario.ModelName = family.Name;
        TDecodeContext context;
        context.ModelName = family.ReadName;
        context.IsComplex = family.Complex;
        context.CurrentYear = Now.Year;
        for (int exchange = 0; exchange < family.Exchanges; ++exchange) {
            sim::TTrafficGenerator generator(9, sim::TrunkPlanOf(scenario), exchange);
            for (const sim::TCall& call : generator.History(200, Now)) {
                const auto payload = sim::EncodeCall(call, 6);
                const TRecord record = DecodeRecordPayload(payload.data(), payload.size(), context);
                EXPECT_FALSE(record.Trunk.empty()) << family.ReadName;
                EXPECT_EQ(record.Trunk.find("-1"), std::string::npos)
                    << family.ReadName << " trunk " << record.Trunk;
                if (family.Complex) {
                    EXPECT_EQ(record.Trunk.substr(0, 3), "(" + std::to_string(exchange + 2) + ")");
                }
            }
        }
    }
}

// Extension lines have three digits from 200, as the exchanges list them; the
// Polar-A and Polar-B list theirs in groups of eight (200 to 207, 210 to 217, ...).
TEST(TrafficGeneratorTest, ExtensionLinesAreNumberedAsTheExchangeListsThem) {
    for (sim::TTrunkPlan plan :
         {sim::TTrunkPlan::Arden, sim::TTrunkPlan::Polar, sim::TTrunkPlan::PolarC,
          sim::TTrunkPlan::Complex, sim::TTrunkPlan::Tinkle, sim::TTrunkPlan::Plain}) {
        for (int exchange = 0; exchange < 3; ++exchange) {
            for (const sim::TCall& call :
                 sim::TTrafficGenerator(4, plan, exchange).History(300, Now)) {
                EXPECT_GE(call.HardwareLine, 200);
                EXPECT_LE(call.HardwareLine, 999);
                if (plan == sim::TTrunkPlan::Polar) {
                    EXPECT_LE(call.HardwareLine % 10, 7) << call.HardwareLine;
                }
            }
        }
    }
}

TEST(TrafficGeneratorTest, AClockAtTheStartOf1980StillGetsItsCalls) {
    const auto calls = sim::TTrafficGenerator(1, sim::TTrunkPlan::Arden, 0)
                           .History(5, TCalendarTime{1980, 1, 1, 0, 0, 0});
    EXPECT_EQ(calls.size(), 5u);
}

// The rehearsal's attack: the seed's calls on top of the office's, from one
// extension on several trunks at once, all at night; each trunk still carries
// one call at a time.
TEST(TrafficGeneratorTest, AnAttackIsANightOfCallsFromOneLineOnSeveralTrunks) {
    auto attacked = [](std::uint32_t attack) {
        sim::TTrafficGenerator generator(5, sim::TTrunkPlan::Arden, 0);
        generator.AddAttack(attack);
        return generator.History(100, Now);
    };
    const auto calls = attacked(3);
    ASSERT_EQ(calls.size(), 100u + sim::AttackCallCount);
    EXPECT_EQ(Payloads(calls), Payloads(attacked(3)));
    EXPECT_NE(Payloads(calls), Payloads(attacked(4)));
    std::vector<sim::TCall> attack;
    std::set<std::string> planned;
    for (const sim::TAttackCall& call : sim::PlanAttack(3, sim::CalendarToSeconds(Now), 40).Calls) {
        planned.insert(call.Dialled);
    }
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(attack),
                 [&](const sim::TCall& c) { return planned.contains(c.Dialled); });
    ASSERT_EQ(attack.size(), static_cast<std::size_t>(sim::AttackCallCount));
    std::map<std::uint8_t, std::int64_t> trunkFree;
    int atOnce = 0;
    for (const sim::TCall& call : attack) {
        EXPECT_EQ(call.HardwareLine, attack.front().HardwareLine);
        EXPECT_LT(call.Start.Hour, 6);
        EXPECT_EQ(call.Start.Day, 8);
        const std::int64_t start = sim::CalendarToSeconds(call.Start);
        atOnce = std::max<int>(
            atOnce,
            static_cast<int>(std::count_if(attack.begin(), attack.end(), [&](const sim::TCall& c) {
                const std::int64_t s = sim::CalendarToSeconds(c.Start);
                return s <= start && start < s + c.DurationSeconds;
            })));
    }
    EXPECT_GE(atOnce, 3);
    std::map<std::uint8_t, std::vector<std::pair<std::int64_t, std::int64_t>>> byTrunk;
    for (const sim::TCall& call : calls) {
        const std::int64_t start = sim::CalendarToSeconds(call.Start);
        byTrunk[call.TrunkCode].emplace_back(start, start + call.DurationSeconds);
    }
    for (auto& [trunk, times] : byTrunk) {
        std::sort(times.begin(), times.end());
        for (std::size_t i = 1; i < times.size(); ++i) {
            EXPECT_GE(times[i].first, times[i - 1].second + 6) << "trunk " << int{trunk};
        }
    }
}

} // namespace
} // namespace tallyvox::simtest
