// The simulator answers as the exchange through a real pseudo-terminal: every
// reply is checked byte by byte from the host's end of the line.

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "model/Protocol.h"
#include "sim/CalendarEncode.h"
#include "sim/RecordEncoder.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/PtyPeer.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/WaitUntil.h"
#include "tests/sim/TestScenario.h"

namespace tallyvox::simtest {

using testkit::ChecksumHolds;
using testkit::Clear;
using testkit::TBytes;
using testkit::THostEnd;

namespace {

using sim::TBufferRecord;
using sim::TCommandKind;
using sim::TScenario;

TScenario Arden() {
    TScenario scenario;
    scenario.Key = Key;
    scenario.VersionMain = 3;
    scenario.VersionMinor = 0x21;
    scenario.SerialNumber = 0x1234;
    scenario.ClockDays = 8893;
    scenario.ClockTicks = 5450;
    return scenario;
}

sim::TCall CallAt(int hour, const std::string& dialled) {
    sim::TCall call;
    call.Start = testkit::At(2004, 5, 7, hour, 30, 0);
    call.DurationSeconds = 60;
    call.HardwareLine = 4;
    call.DirectoryNumber = "205";
    call.TrunkCode = 1;
    call.Dialled = dialled;
    return call;
}

TBufferRecord RecordOf(sim::TCall call) {
    return {TBufferRecord::TKind::Call, std::move(call), {}};
}

TBytes Select(std::uint8_t exchange, std::uint8_t key = Key) {
    const std::uint8_t combined = exchange ^ key;
    return {0x84, 0x01, combined, combined};
}

TEST(SimulatorTest, AProbeIsAnsweredWithZero) {
    testkit::TSimHarness harness(Arden());
    THostEnd host(harness.DevicePath());
    host.Send({0x00});
    EXPECT_EQ(host.Read(1), TBytes{0x00});
}

TEST(SimulatorTest, IdentificationSendsTheKeyAsItIsAndEveryOtherByteCombinedWithIt) {
    testkit::TSimHarness harness(Arden());
    THostEnd host(harness.DevicePath());
    host.Send({0x01});
    const TBytes reply = host.Read(17);
    ASSERT_EQ(reply.size(), 17u);
    ASSERT_EQ(reply[0], 16); // the length travels as it is
    TBytes id(reply.begin() + 1, reply.end());
    EXPECT_EQ(id[11], Key);
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (i != 11) {
            id[i] ^= Key;
        }
    }
    EXPECT_EQ(id[0] + 256 * id[1], 8893);
    EXPECT_GE(id[2] + 256 * id[3], 5450); // the clock runs on from its start
    EXPECT_LE(id[2] + 256 * id[3], 5451);
    EXPECT_EQ(id[5], 6);
    EXPECT_EQ(id[6], 0x21);
    EXPECT_EQ(id[7], 3);
    EXPECT_EQ(id[13], 0);
    EXPECT_EQ(id[14] + 256 * id[15], 0x1234);
}

TEST(SimulatorTest, AComplexIdentifiesWithItsSevenCharacterName) {
    TScenario scenario = sim::ComplexScenario(3);
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send({0x01});
    const TBytes reply = host.Read(24);
    ASSERT_EQ(reply.size(), 24u);
    EXPECT_EQ(reply[0], 23);
    std::string name;
    for (std::size_t i = 17; i < 24; ++i) {
        name += static_cast<char>(reply[i] ^ scenario.Key);
    }
    EXPECT_EQ(name, "3-B    ");
    EXPECT_EQ(reply[1 + 5] ^ scenario.Key, 2);
}

// Every code of the model table is answered, code 2 with its name field; the
// status follows, as the host asks for it next.
TEST(SimulatorTest, EveryModelCodeOfTheTableIsIdentifiedAndItsStatusAnswered) {
    for (std::uint8_t code = 2; code <= 9; ++code) {
        TScenario scenario = sim::SingleExchangeScenario(code, 2);
        scenario.Key = 0xC3;
        testkit::TSimHarness harness(scenario);
        THostEnd host(harness.DevicePath());
        host.Send({0x01});
        const std::size_t length = code == 2 ? 23 : 16;
        const TBytes reply = host.Read(length + 1);
        ASSERT_EQ(reply.size(), length + 1) << "code " << int{code};
        EXPECT_EQ(reply[0], length);
        EXPECT_EQ(reply[1 + 5] ^ 0xC3, code);
        EXPECT_EQ(reply[1 + 11], 0xC3);
        if (code == 2) {
            std::string name;
            for (std::size_t i = 17; i < 24; ++i) {
                name += static_cast<char>(reply[i] ^ 0xC3);
            }
            EXPECT_EQ(name, "Polar-C");
        }
        const std::uint8_t zero = 0 ^ 0xC3;
        host.Send({0x84, 0x01, zero, zero});
        EXPECT_EQ(host.Read(2), (TBytes{0x84, 0x00})) << "code " << int{code};
        const TBytes status = host.Framed({0x40, 0x03});
        EXPECT_TRUE(ChecksumHolds(status)) << "code " << int{code};
        EXPECT_EQ(Clear(status, 0xC3), (TBytes{0xD0, 0x07, 2, 0, 0, 0}));
    }
}

TEST(SimulatorTest, SelectionAcceptsTheExchangesOfTheInstallationOnly) {
    TScenario scenario = sim::ComplexScenario(2);
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    const std::uint8_t key = scenario.Key;
    host.Send(Select(1, key));
    EXPECT_EQ(host.Read(2), (TBytes{0x84, 0x00}));
    host.Send(Select(2, key));
    EXPECT_EQ(host.Read(2), (TBytes{0x84, 0x01}));
    host.Send({0x84, 0x01, static_cast<std::uint8_t>(0 ^ key), 0x77}); // checksum wrong
    EXPECT_EQ(host.Read(2), (TBytes{0x84, 0x01}));
    const auto commands = harness.Sim().Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].Kind, TCommandKind::Select);
    EXPECT_EQ(commands[1].Exchange, 1); // the refused ones left exchange 1 selected
    EXPECT_EQ(commands[2].Exchange, 1);
}

TEST(SimulatorTest, TheStatusIsAFramedReplyOfTheSelectedExchange) {
    TScenario scenario = sim::ComplexScenario(2);
    scenario.Exchanges[0].Capacity = 1000;
    scenario.Exchanges[1].Capacity = 0x1234;
    scenario.Exchanges[1].W1 = 0x0305;
    scenario.Exchanges[1].W2 = 0x0102;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send(Select(1, scenario.Key));
    host.Read(2);
    const TBytes reply = host.Framed({0x40, 0x03});
    EXPECT_TRUE(ChecksumHolds(reply));
    EXPECT_EQ(Clear(reply, scenario.Key), (TBytes{0x34, 0x12, 0x05, 0x03, 0x02, 0x01}));
}

TEST(SimulatorTest, TheStatusReplyComesAfterThePurgeThatFollowsTheCommand) {
    testkit::TSimHarness harness(Arden());
    THostEnd host(harness.DevicePath());
    host.Send({0x40, 0x03});
    host.Purge(); // as the program does, at once
    const TBytes reply = host.Read(8);
    ASSERT_EQ(reply.size(), 8u);
    EXPECT_TRUE(ChecksumHolds(reply));
}

TEST(SimulatorTest, RecordsAreSentOnceInOrderAndTheEndOfTheBufferIsALengthOneReply) {
    TScenario scenario = Arden();
    const TBytes raw{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x12};
    scenario.Exchanges[0].Records = {RecordOf(CallAt(9, "80123*#")),
                                     {TBufferRecord::TKind::Erased, {}, {}},
                                     {TBufferRecord::TKind::Raw, {}, raw}};
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());

    const TBytes first = host.Framed({0x02});
    EXPECT_TRUE(ChecksumHolds(first));
    EXPECT_EQ(Clear(first, Key), sim::EncodeCall(CallAt(9, "80123*#"), 6));
    const TBytes erased = Clear(host.Framed({0x03}), Key);
    ASSERT_GE(erased.size(), 2u);
    EXPECT_EQ(erased[0], 0x0F);
    EXPECT_EQ(erased[1], 0xFF);
    EXPECT_EQ(Clear(host.Framed({0x03}), Key), raw);
    const TBytes end = host.Framed({0x03});
    ASSERT_EQ(end.size(), 3u);
    EXPECT_EQ(end[0], 1);
    EXPECT_EQ(host.Framed({0x02}).size(), 3u); // still empty

    EXPECT_EQ(harness.Sim().PendingRecords(0), 0);
    const auto sent = harness.Sim().SentRecords();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].Payload, Clear(first, Key));
    EXPECT_EQ(sent[1].Payload, erased);
    EXPECT_EQ(sent[2].Payload, raw);
}

TEST(SimulatorTest, TheFillCountsDownAsRecordsAreTaken) {
    TScenario scenario = Arden();
    scenario.Exchanges[0].Traffic = {3, 11};
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    EXPECT_EQ(Clear(host.Framed({0x40, 0x03}), Key), (TBytes{0xD0, 0x07, 3, 0, 0, 0}));
    host.Framed({0x02});
    EXPECT_EQ(Clear(host.Framed({0x40, 0x03}), Key), (TBytes{0xD0, 0x07, 3, 0, 1, 0}));
}

TEST(SimulatorTest, AWrongFirstRecordChecksumIsFollowedByThePayloadAndChecksumAgain) {
    TScenario scenario = Arden();
    scenario.Exchanges[0].Records = {RecordOf(CallAt(9, "12"))};
    scenario.Faults.FirstRecordChecksumWrong = 2;
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send({0x02});
    const TBytes wire = host.ReadAll();
    const TBytes payload = sim::EncodeCall(CallAt(9, "12"), 6);
    const std::size_t length = payload.size();
    ASSERT_EQ(wire.size(), 1 + 3 * (length + 1));
    EXPECT_EQ(wire[0], length);
    const TBytes once(wire.begin() + 1, wire.begin() + 1 + static_cast<long>(length));
    TBytes framedOnce{static_cast<std::uint8_t>(length)};
    framedOnce.insert(framedOnce.end(), once.begin(), once.end());
    framedOnce.push_back(0);
    EXPECT_EQ(Clear(framedOnce, Key), payload);
    unsigned sum = 0;
    for (std::uint8_t byte : once) {
        sum += byte;
    }
    for (int round = 0; round < 3; ++round) {
        const auto at = wire.begin() + 1 + round * static_cast<long>(length + 1);
        EXPECT_EQ(TBytes(at, at + static_cast<long>(length)), once);
        const bool right = *(at + static_cast<long>(length)) == static_cast<std::uint8_t>(sum);
        EXPECT_EQ(right, round == 2) << "round " << round;
    }
    EXPECT_EQ(harness.Sim().SentRecords().size(), 1u);
}

TEST(SimulatorTest, EveryByteTheHostSentIsLoggedAndGarbageIsDropped) {
    testkit::TSimHarness harness(Arden());
    THostEnd host(harness.DevicePath());
    const TBytes sent{0x55, 0x40, 0x07, 0x00};
    host.Send(sent);
    EXPECT_EQ(host.ReadAll(), TBytes{0x00}); // only the probe is answered
    EXPECT_EQ(harness.Sim().ReceivedBytes(), sent);
    const auto commands = harness.Sim().Commands();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].Kind, TCommandKind::Garbage);
    EXPECT_EQ(commands[1].Kind, TCommandKind::Garbage);
    EXPECT_EQ(commands[1].Bytes, TBytes{0x40});
    EXPECT_EQ(commands[2].Kind, TCommandKind::Garbage);
    EXPECT_EQ(commands[3].Kind, TCommandKind::Probe);
}

TEST(SimulatorTest, AHalfCommandIsGivenUpWhenTheHostGoesQuiet) {
    testkit::TSimHarness harness(Arden());
    THostEnd host(harness.DevicePath());
    host.Send({0x84, 0x01});
    EXPECT_TRUE(host.ReadAll(400).empty());
    host.Send({0x00});
    EXPECT_EQ(host.Read(1), TBytes{0x00});
}

TEST(SimulatorTest, TheRealTimeStateIsAFramedReplyToTheFullCommandOnly) {
    TScenario scenario = Arden();
    scenario.RealTime.Payload = TBytes{0x02, 0x44, 0x05, 0x00, 0x46, 0x01, 0x03, 0x00};
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    const std::uint8_t combined = 0xFF ^ Key;
    const TBytes reply = host.Framed({0xF0, 0x01, 0x01, combined, combined});
    EXPECT_TRUE(ChecksumHolds(reply));
    EXPECT_EQ(Clear(reply, Key), *scenario.RealTime.Payload);
    host.Send({0xF0, 0x01, 0x01, 0xFF, 0xFF}); // not combined with the key
    EXPECT_TRUE(host.ReadAll().empty());
}

TEST(SimulatorTest, RealTimeSnapshotsFollowTheirTimes) {
    TScenario scenario = Arden();
    scenario.RealTime.Snapshots = {{0, {{{'D', 1, 0}}}}, {300, {}}};
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    const std::uint8_t combined = 0xFF ^ Key;
    EXPECT_EQ(Clear(host.Framed({0xF0, 0x01, 0x01, combined, combined}), Key),
              (TBytes{1, 'D', 1, 0, 0}));
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    EXPECT_EQ(host.Framed({0xF0, 0x01, 0x01, combined, combined}), (TBytes{0, 0}));
}

TEST(SimulatorTest, GeneratedTrafficCarriesItsErasedRecordsAmongTheCalls) {
    TScenario scenario = Arden();
    scenario.Exchanges[0].Traffic = {6, 3, 2};
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    int erased = 0;
    for (TBytes reply = host.Framed({0x02}); reply.size() > 3; reply = host.Framed({0x03})) {
        const TBytes payload = Clear(reply, Key);
        erased += payload[0] == 0x0F && payload[1] == 0xFF ? 1 : 0;
    }
    EXPECT_EQ(erased, 2);
    EXPECT_EQ(harness.Sim().SentRecords().size(), 8u);
}

// The host flags a call dated in a later year than the computer's: an exchange
// whose clock runs ahead still has no call that ends after the computer's now.
TEST(SimulatorTest, NoCallEndsAfterTheComputersNowEvenWhenTheExchangeClockIsAhead) {
    TScenario scenario = Arden();
    scenario.ClockDays = *sim::DaysSince1980(2099, 6, 1);
    scenario.Exchanges[0].Traffic = {40, 8};
    scenario.Arrivals.EveryMs = 10;
    testkit::TSimHarness harness(scenario);
    const int generated = harness.Sim().PendingRecords(0);
    ASSERT_TRUE(testkit::WaitUntil([&] { return harness.Sim().PendingRecords(0) > generated; }))
        << "no call arrived";
    THostEnd host(harness.DevicePath());
    int calls = 0;
    for (TBytes reply = host.Framed({0x02}); reply.size() > 3; reply = host.Framed({0x03})) {
        const TBytes payload = Clear(reply, Key);
        const auto days = payload[0] + 256 * payload[1];
        const auto ticks = payload[2] + 256 * payload[3];
        const auto duration = payload[4] + 256 * payload[5];
        const std::int64_t end = std::int64_t{days} * 86400 + (ticks + duration) * 6;
        EXPECT_LE(end, sim::CalendarToSeconds(sim::LocalNow()));
        ++calls;
    }
    EXPECT_GE(calls, 40);
}

TEST(SimulatorTest, AScenarioNoExchangeCouldBeBuiltFromIsRefusedAtConstruction) {
    TScenario none = Arden();
    none.Exchanges.clear();
    EXPECT_THROW(sim::TSimulator{none}, sim::EScenarioError);
    TScenario arrivalsNowhere = Arden();
    arrivalsNowhere.Arrivals.Exchange = 1;
    EXPECT_THROW(sim::TSimulator{arrivalsNowhere}, sim::EScenarioError);
    TScenario oversized = Arden();
    oversized.RealTime.Snapshots = {{0, {std::vector<sim::TConnection>(90)}}};
    EXPECT_THROW(sim::TSimulator{oversized}, sim::EScenarioError);
    TScenario badCall = Arden();
    badCall.Exchanges[0].Records = {RecordOf(CallAt(9, "12x"))};
    EXPECT_THROW(sim::TSimulator{badCall}, sim::EScenarioError);
}

TEST(SimulatorTest, CallsAddedWhileRunningAndArrivingCallsJoinTheBuffer) {
    TScenario scenario = Arden();
    scenario.Arrivals.EveryMs = 20;
    testkit::TSimHarness harness(scenario);
    harness.Sim().AddCall(0, CallAt(9, "555"));
    EXPECT_GE(harness.Sim().PendingRecords(0), 1);
    EXPECT_TRUE(testkit::WaitUntil([&harness] { return harness.Sim().PendingRecords(0) >= 3; }));
    THostEnd host(harness.DevicePath());
    EXPECT_TRUE(ChecksumHolds(host.Framed({0x02})));
    EXPECT_EQ(harness.Sim().SentRecords().at(0).Payload[11], 0x55);
}

TEST(SimulatorTest, ArrivingCallsStopWhenTheBufferIsFull) {
    TScenario scenario = Arden();
    scenario.Exchanges[0].Capacity = 3;
    scenario.Arrivals.EveryMs = 5;
    testkit::TSimHarness harness(scenario);
    auto filled = [&harness] {
        testkit::WaitUntil([&harness] { return harness.Sim().PendingRecords(0) >= 3; });
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // more calls come
        return harness.Sim().PendingRecords(0);
    };
    EXPECT_EQ(filled(), 3);
    THostEnd host(harness.DevicePath());
    EXPECT_EQ(Clear(host.Framed({0x40, 0x03}), Key), (TBytes{3, 0, 3, 0, 0, 0}));
    EXPECT_TRUE(ChecksumHolds(host.Framed({0x02}))); // room for one more
    EXPECT_EQ(filled(), 3);
}

TEST(SimulatorTest, TheDeviceCanBeReachedThroughALinkThatGoesWithTheSimulator) {
    testkit::TTempDir folder;
    const std::string link = (folder.Path() / "exchange").string();
    {
        testkit::TSimHarness harness(Arden());
        harness.Sim().LinkAt(link);
        THostEnd host(link);
        host.Send({0x00});
        EXPECT_EQ(host.Read(1), TBytes{0x00});
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SimulatorTest, MapPortPointsTheComPortVariableAtTheDeviceAndRestoresIt) {
    testkit::TScopedEnvironment outside("TALLYVOX_COM4", "/nowhere");
    {
        testkit::TSimHarness harness(Arden());
        EXPECT_EQ(harness.MapPort(4), "COM4");
        EXPECT_EQ(std::string(getenv("TALLYVOX_COM4")), harness.DevicePath());
        harness.MapPort(5);
    }
    EXPECT_EQ(std::string(getenv("TALLYVOX_COM4")), "/nowhere");
    EXPECT_EQ(getenv("TALLYVOX_COM5"), nullptr);
}

TEST(SimulatorTest, AtRealLineTimingTheRepliesAreWhole) {
    TScenario scenario = Arden();
    scenario.Timing.Mode = sim::TTimingMode::RealLine;
    scenario.Exchanges[0].Records = {RecordOf(CallAt(9, "80123*#"))};
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    host.Send({0x00});
    EXPECT_EQ(host.Read(1), TBytes{0x00});
    const TBytes record = host.Framed({0x02});
    EXPECT_TRUE(ChecksumHolds(record));
    EXPECT_EQ(Clear(record, Key), sim::EncodeCall(CallAt(9, "80123*#"), 6));
}

// With no think time a probe's round trip is the line's alone: the probe byte
// crossing to the exchange and its answer crossing back, two byte times. No trip
// may be early. Late ones are the machine's: every trip also waits for three
// wake-ups (the pseudo-terminal's delivery both ways and the simulator's own),
// which a busy machine delays by tens of microseconds and now and then by
// milliseconds, so the quickest tenth of the trips is held to 5%, with 100 us
// for those wake-ups (about 30 us each on a quiet machine; the sanitizers'
// instrumented system-call paths get three times that).
TEST(SimulatorTest, AtRealLineTimingWithoutTurnaroundAProbeTakesTwoByteTimes) {
    using TMicro = std::chrono::duration<double, std::micro>;
    constexpr int RoundTrips = 1000;
    const double twoBytes = 2e6 * protocol::BitsPerByte / protocol::BaudRate;
    TScenario scenario = Arden();
    scenario.Timing.Mode = sim::TTimingMode::RealLine;
    scenario.Timing.Turnaround = std::chrono::microseconds(0);
    testkit::TSimHarness harness(scenario);
    THostEnd host(harness.DevicePath());
    std::vector<double> trips;
    for (int i = 0; i < RoundTrips; ++i) {
        const auto sent = std::chrono::steady_clock::now();
        host.Send({protocol::Probe});
        ASSERT_EQ(host.Read(1), TBytes{protocol::ProbeReady}) << "round trip " << i;
        trips.push_back(TMicro(std::chrono::steady_clock::now() - sent).count());
        ASSERT_GE(trips.back(), 0.95 * twoBytes) << "round trip " << i;
    }
    std::nth_element(trips.begin(), trips.begin() + RoundTrips / 10, trips.end());
#if defined(__SANITIZE_ADDRESS__)
    constexpr double WakeUpsUs = 300;
#else
    constexpr double WakeUpsUs = 100;
#endif
    EXPECT_LE(trips[RoundTrips / 10], 1.05 * twoBytes + WakeUpsUs);
}

} // namespace
} // namespace tallyvox::simtest
