// Identification of single exchanges and complexes through a real
// pseudo-terminal, with the simulator answering as the exchange.

#include <boost/make_shared.hpp>

#include "model/Protocol.h"
#include "tests/e2e/LinkFixture.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/PtyPeer.h"
#include "text/Cp1251.h"

namespace tallyvox::e2e {
namespace {

using sim::TCommandKind;
using sim::TScenario;

constexpr std::uint16_t Day7May2004 = 8893;
constexpr std::uint16_t Ticks0905 = 5450; // 09:05:00 in ticks of 6 s

TScenario ArdenOf(int calls) {
    TScenario scenario = sim::SingleExchangeScenario(6, calls);
    scenario.ClockDays = Day7May2004;
    scenario.ClockTicks = Ticks0905;
    return scenario;
}

TScenario ComplexOf(std::vector<std::pair<std::uint16_t, int>> capacityAndFill) {
    TScenario scenario = sim::ComplexScenario(static_cast<int>(capacityAndFill.size()));
    for (std::size_t i = 0; i < capacityAndFill.size(); ++i) {
        scenario.Exchanges[i].Capacity = capacityAndFill[i].first;
        scenario.Exchanges[i].W1 = static_cast<std::uint16_t>(capacityAndFill[i].second + 7);
        scenario.Exchanges[i].W2 = 7;
    }
    return scenario;
}

using IdentifyTest = LinkFixture;

TEST_F(IdentifyTest, ASingleExchangeTellsModelVersionSerialNumberClockAndBuffer) {
    Connect(ArdenOf(5));
    EXPECT_EQ(Link->Identify(), 1);
    const TStatus& status = Link->Status;
    EXPECT_EQ(status.ModelName, "Arden-L1");
    EXPECT_EQ(status.Version, "21,5");
    EXPECT_EQ(status.SerialNumber, "1234");
    EXPECT_EQ(status.Key, 0x5A);
    EXPECT_EQ(status.TimeUnit, 6);
    EXPECT_EQ(status.ExchangeClock, testkit::At(2004, 5, 7, 9, 5, 0));
    EXPECT_EQ(status.BufferCapacity, 2000);
    EXPECT_EQ(status.BufferFill, 5);
    EXPECT_EQ(Link->ExchangeCount, 1);
    EXPECT_FALSE(Link->IsComplex);
    EXPECT_TRUE(Notifier->Messages.empty());
}

TEST_F(IdentifyTest, TheBytesOnTheWireAreTheCommandsWithTheKeyAndChecksums) {
    TScenario scenario = ComplexOf({{2000, 1}, {2000, 1}});
    scenario.Key = 0x3C;
    Connect(scenario);
    ASSERT_EQ(Link->Identify(), 1);
    const TBytes probe(5, 0x00);
    TBytes expected = probe;
    expected.push_back(0x01);
    for (std::uint8_t i : {0, 1}) {
        expected.insert(expected.end(), probe.begin(), probe.end());
        const std::uint8_t number = i ^ 0x3C; // the exchange number travels combined
        expected.insert(expected.end(), {0x84, 0x01, number, number, 0x40, 0x03});
    }
    EXPECT_EQ(Sim().ReceivedBytes(), expected);
}

TEST_F(IdentifyTest, AComplexOfThreeSelectsEachExchangeAndSumsTheirBuffers) {
    Connect(ComplexOf({{1000, 3}, {2000, 40}, {500, 0}}));
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.ModelName, "3-B");
    EXPECT_TRUE(Link->IsComplex);
    EXPECT_EQ(Link->ExchangeCount, 3);
    EXPECT_EQ(Link->Status.BufferCapacity, 3500);
    EXPECT_EQ(Link->Status.BufferFill, 43);

    std::vector<int> statusOf;
    for (const sim::TCommandSeen& command : Sim().Commands()) {
        if (command.Kind == TCommandKind::Status) {
            statusOf.push_back(command.Exchange);
        }
    }
    EXPECT_EQ(statusOf, (std::vector<int>{0, 1, 2}));
}

TEST_F(IdentifyTest, AComplexOfTwoSumsCapacitiesAndFills) {
    Connect(ComplexOf({{2000, 10}, {2000, 5}}));
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.BufferCapacity, 4000);
    EXPECT_EQ(Link->Status.BufferFill, 15);
}

TEST_F(IdentifyTest, ANameOfTwoAnyCharacterBIsAComplexOfTwoWithOneSelectionEach) {
    TScenario scenario = ComplexOf({{2000, 1}, {2000, 2}});
    scenario.ModelName = "2?B.x.y";
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.ModelName, "2?B");
    EXPECT_TRUE(Link->IsComplex);
    EXPECT_EQ(Link->ExchangeCount, 2);
    std::vector<std::pair<TCommandKind, int>> seen;
    for (const sim::TCommandSeen& command : CommandsBesideProbes()) {
        seen.emplace_back(command.Kind, command.Exchange);
    }
    const std::vector<std::pair<TCommandKind, int>> expected{{TCommandKind::Identify, 0},
                                                             {TCommandKind::Select, 0},
                                                             {TCommandKind::Status, 0},
                                                             {TCommandKind::Select, 0},
                                                             {TCommandKind::Status, 1}};
    EXPECT_EQ(seen, expected);
}

TEST_F(IdentifyTest, ModelCodesOutsideTheTableAreMinusThreeWithNoStatusRequest) {
    for (std::uint8_t code : {1, 10}) {
        TScenario scenario = ArdenOf(0);
        scenario.Faults.ModelCode = code;
        Connect(scenario);
        EXPECT_EQ(Link->Identify(), -3) << int(code);
        EXPECT_EQ(CountOf(TCommandKind::Select), 0);
        EXPECT_EQ(CountOf(TCommandKind::Status), 0);
        EXPECT_EQ(Link->ExchangeCount, 0);
        EXPECT_EQ(Link->Status.Key, 0x5A); // learnt before the model
        Link.reset();
    }
}

TEST_F(IdentifyTest, TimeUnitZeroMeansSixSecondsAndOtherValuesStand) {
    TScenario scenario = ArdenOf(0);
    scenario.TimeUnit = 0;
    Connect(scenario);
    ASSERT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.TimeUnit, 6);
    Link.reset();

    scenario.TimeUnit = 10;
    scenario.ClockTicks = 3270; // 09:05:00 in ticks of 10 s
    Connect(scenario);
    ASSERT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.TimeUnit, 10);
    EXPECT_EQ(Link->Status.ExchangeClock.Hour, 9);
    EXPECT_EQ(Link->Status.ExchangeClock.Minute, 5);
}

TEST_F(IdentifyTest, AFillAboveTheCapacityIsShownOnceAndIdentificationSucceeds) {
    TScenario scenario = ArdenOf(0);
    scenario.Exchanges[0].Capacity = 1000;
    scenario.Exchanges[0].W1 = 1200;
    scenario.Exchanges[0].W2 = 100;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.BufferCapacity, 1000);
    EXPECT_EQ(Link->Status.BufferFill, 1100);
    const std::vector<testkit::TRecordingNotifier::TMessage> expected{
        {text::Utf8ToCp1251("Неверная информация в буфере тарификации"),
         text::Utf8ToCp1251("Ошибка")}};
    EXPECT_EQ(Notifier->Messages, expected);
    EXPECT_TRUE(Notifier->Terminations.empty());
}

// The figures are checked after each exchange, on the sums so far.
TEST_F(IdentifyTest, AFillAboveTheCapacityIsShownAfterEachExchangeWhereTheSumsDisagree) {
    Connect(ComplexOf({{1000, 1200}, {1000, 900}, {5000, 0}}));
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.BufferCapacity, 7000);
    EXPECT_EQ(Link->Status.BufferFill, 2100);
    const testkit::TRecordingNotifier::TMessage shown{
        text::Utf8ToCp1251("Неверная информация в буфере тарификации"),
        text::Utf8ToCp1251("Ошибка")};
    EXPECT_EQ(Notifier->Messages, (std::vector{shown, shown}));
    EXPECT_EQ(CountOf(TCommandKind::Status), 3);
}

TEST_F(IdentifyTest, AStatusChecksumWrongTenTimesIsAcceptedOnTheEleventhAttempt) {
    TScenario scenario = ArdenOf(3);
    scenario.Faults.StatusChecksumWrong = 10;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.BufferFill, 3);
    EXPECT_EQ(CountOf(TCommandKind::Status), 11);
}

TEST_F(IdentifyTest, AStatusChecksumWrongElevenTimesIsMinusFive) {
    TScenario scenario = ArdenOf(3);
    scenario.Faults.StatusChecksumWrong = 11;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), -5);
    EXPECT_EQ(CountOf(TCommandKind::Status), 11);
}

TEST_F(IdentifyTest, AFailingProbeFollowedByAGoodOneIsNoFailure) {
    TScenario scenario = ArdenOf(2);
    scenario.Faults.Probe = sim::TProbeFault::Wrong;
    scenario.Faults.ProbeFaultCount = 1;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), 1);
    EXPECT_EQ(Link->Status.BufferFill, 2);
    // One failed round, then five good rounds before identification and five
    // before the status request.
    EXPECT_EQ(CountOf(TCommandKind::Probe), 11);
}

TEST_F(IdentifyTest, AnExchangeThatNeverAnswersTheProbeIsMinusOne) {
    TScenario scenario = ArdenOf(0);
    scenario.Faults.Probe = sim::TProbeFault::Silent;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), -1);
    EXPECT_EQ(CountOf(TCommandKind::Probe), 11);
    EXPECT_EQ(CountOf(TCommandKind::Identify), 0);
}

TEST_F(IdentifyTest, NoIdentificationReplyIsMinusTwo) {
    TScenario scenario = ArdenOf(0);
    scenario.Faults.NoIdentification = true;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), -2);
    EXPECT_EQ(Link->ExchangeCount, 0);
    EXPECT_FALSE(Link->IsComplex);
}

// The program ends with a failure status; a notifier that returns (as under test)
// sees the identification fail with -2.
TEST_F(IdentifyTest, ARefusedSelectionShowsTheMessageAndEndsTheProgramWithAFailureStatus) {
    TScenario scenario = ComplexOf({{2000, 1}, {2000, 1}});
    scenario.Faults.RefusedExchange = 1;
    Connect(scenario);
    EXPECT_EQ(Link->Identify(), -2);
    const std::vector<testkit::TRecordingNotifier::TMessage> expected{
        {text::Utf8ToCp1251("Невозможно установить активную АТС"), ""}};
    EXPECT_EQ(Notifier->Messages, expected);
    EXPECT_EQ(Notifier->Terminations, std::vector<int>{ExitSelectionRefused});
    EXPECT_NE(ExitSelectionRefused, 0);
    EXPECT_EQ(CountOf(TCommandKind::Status), 1); // exchange 0 only
}

TEST_F(IdentifyTest, WithNobodyOnTheLineIdentificationIsMinusOne) {
    testkit::TPtyPeer silentLine;
    MakeLink(silentLine.DevicePath(), boost::make_shared<TScaledClock>(10.0));
    EXPECT_EQ(Link->Identify(), -1);
    EXPECT_EQ(silentLine.Take(), TBytes(11, 0x00)); // eleven probes, no command
}

} // namespace
} // namespace tallyvox::e2e
