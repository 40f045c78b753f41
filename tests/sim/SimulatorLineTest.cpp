// The line itself: the host closes the port and opens it again (as it does to
// reconnect), sends bytes that make no command, and the simulator keeps serving.

#include <atomic>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <thread>

#include <boost/make_shared.hpp>

#include "exchange/LowLevel.h"
#include "tests/kit/PtyPeer.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/TempDir.h"
#include "tests/sim/TestScenario.h"

namespace tallyvox::simtest {

using testkit::ChecksumHolds;
using testkit::TBytes;
using testkit::THostEnd;

namespace {

using namespace std::chrono_literals;
using sim::TScenario;

// The probe answer alone, after the line was quiet: nothing left over from
// before arrives with it.
TBytes ProbeOnAQuietLine(THostEnd& host) {
    EXPECT_TRUE(host.ReadAll(100).empty()) << "bytes left over on the line";
    host.Send({0x00});
    return host.ReadAll();
}

TEST(SimulatorLineTest, TheHostClosesAndReopensThePortAndIsServedEveryTime) {
    testkit::TSimHarness harness(WithCalls(3));
    for (int round = 0; round < 4; ++round) {
        THostEnd host(harness.DevicePath());
        host.Send({0x00});
        EXPECT_EQ(host.Read(1), TBytes{0x00}) << "round " << round;
        EXPECT_TRUE(ChecksumHolds(host.Framed({0x40, 0x03}))) << "round " << round;
    }
    THostEnd host(harness.DevicePath());
    EXPECT_TRUE(ChecksumHolds(host.Framed({0x02})));
    EXPECT_TRUE(harness.Sim().LineUp());
}

// The program opens its port exclusively. A serial port's hold ends when it is
// closed; the device must be free again too, or nobody but the super-user could
// reopen it.
TEST(SimulatorLineTest, AHostThatHeldTheDeviceExclusivelyCanOpenItAgainAfterClosingIt) {
    testkit::TSimHarness harness(WithCalls(0));
    for (int round = 0; round < 3; ++round) {
        THostEnd host(harness.DevicePath());
        int exclusive = 0;
        ASSERT_EQ(::ioctl(host.Fd, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0) << "round " << round << ": still held from before";
        ASSERT_EQ(::ioctl(host.Fd, TIOCEXCL), 0);
        host.Send({0x00});
        EXPECT_EQ(host.Read(1), TBytes{0x00}) << "round " << round;
    }
}

TEST(SimulatorLineTest, AReplyOnItsWayWhenTheHostClosesIsNotWaitingWhenItReopens) {
    testkit::TSimHarness harness(WithCalls(3));
    {
        THostEnd host(harness.DevicePath());
        host.Send({0x02}); // and gone before the record comes back
    }
    std::this_thread::sleep_for(50ms);
    THostEnd host(harness.DevicePath());
    EXPECT_EQ(ProbeOnAQuietLine(host), TBytes{0x00});
}

TEST(SimulatorLineTest, AReplyTheHostLeftUnreadIsGoneWhenItReopens) {
    TScenario scenario = WithCalls(3);
    scenario.Faults.NoiseBytes = 20;
    testkit::TSimHarness harness(scenario);
    {
        THostEnd host(harness.DevicePath());
        host.Send({0x02});
        ASSERT_TRUE(harness.Sim().WaitForCommands(sim::TCommandKind::FirstRecord, 1, 2s));
        std::this_thread::sleep_for(50ms); // the record and its noise wait unread
    }
    std::this_thread::sleep_for(50ms);
    harness.Sim().SetFaults({});
    THostEnd host(harness.DevicePath());
    EXPECT_EQ(ProbeOnAQuietLine(host), TBytes{0x00});
}

// The program's own port and exchange object, as "Обновить" and the options
// dialog use them: close the port, open it again, identify again.
TEST(SimulatorLineTest, TheProgramsPortClosedAndOpenedAgainIdentifiesTheExchangeAgain) {
    testkit::TTempDir folder;
    testkit::TCurrentDir inFolder(folder.Path());
    TScenario scenario = sim::ComplexScenario(2, 3);
    testkit::TSimHarness harness(scenario);
    const std::string port = harness.MapPort(1);
    TLowLevel link(boost::make_shared<TScaledClock>(10.0),
                   boost::make_shared<testkit::TRecordingNotifier>());
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(link.OpenPort(port), 1) << "round " << round;
        EXPECT_EQ(link.Identify(), 1) << "round " << round;
        EXPECT_EQ(link.ExchangeCount, 2);
        EXPECT_EQ(link.Status.BufferFill, 6);
        link.Port->Close();
    }
    EXPECT_TRUE(harness.Sim().LineUp());
}

TEST(SimulatorLineTest, ACommandLeftHalfSentWhenTheHostClosesIsOver) {
    TScenario scenario = WithCalls(0);
    // Only the close can end the command within the test, however slow the machine.
    scenario.Timing.CommandGiveUp = 1h;
    testkit::TSimHarness harness(scenario);
    {
        THostEnd host(harness.DevicePath());
        host.Send({0x84, 0x01}); // a selection cut short
    }
    ASSERT_TRUE(harness.Sim().WaitForCommands(sim::TCommandKind::Garbage, 2, 10s));
    THostEnd host(harness.DevicePath());
    host.Send({0x00});
    EXPECT_EQ(host.Read(1, 5000), TBytes{0x00});
    const auto commands = harness.Sim().Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].Kind, sim::TCommandKind::Garbage);
    EXPECT_EQ(commands[1].Kind, sim::TCommandKind::Garbage);
    EXPECT_EQ(commands[2].Kind, sim::TCommandKind::Probe);
}

TEST(SimulatorLineTest, TwoHostsInTurnEachFindTheRecordsTheOtherLeft) {
    testkit::TSimHarness harness(WithCalls(4));
    {
        THostEnd host(harness.DevicePath());
        EXPECT_GT(host.Framed({0x02}).size(), 3u);
        EXPECT_GT(host.Framed({0x03}).size(), 3u);
    }
    THostEnd host(harness.DevicePath());
    EXPECT_GT(host.Framed({0x02}).size(), 3u);
    EXPECT_GT(host.Framed({0x03}).size(), 3u);
    EXPECT_EQ(host.Framed({0x03}).size(), 3u); // the end of the buffer
    EXPECT_EQ(harness.Sim().SentRecords().size(), 4u);
}

TEST(SimulatorLineTest, AnyBytesFromTheHostLeaveTheSimulatorServing) {
    testkit::TSimHarness harness(WithCalls(2));
    THostEnd host(harness.DevicePath());
    std::uint32_t state = 12345;
    TBytes garbage;
    for (int i = 0; i < 3000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<std::uint8_t>(state >> 16));
    }
    // Every byte value, every command start cut off by every other byte.
    for (int first : {0x84, 0x40, 0xF0}) {
        for (int next = 0; next < 256; ++next) {
            garbage.push_back(static_cast<std::uint8_t>(first));
            garbage.push_back(static_cast<std::uint8_t>(next));
        }
    }
    host.Send(garbage);
    host.ReadAll(300); // whatever the exchange made of it
    host.Purge();
    EXPECT_TRUE(harness.Sim().LineUp());
    host.Send({0x00});
    EXPECT_EQ(host.Read(1), TBytes{0x00});
    EXPECT_EQ(harness.Sim().ReceivedBytes().size(), garbage.size() + 1);
}

TEST(SimulatorLineTest, TheLogsCanBeReadFromAnotherThreadWhileTheExchangeWorks) {
    TScenario scenario = WithCalls(200);
    scenario.Arrivals.EveryMs = 1;
    testkit::TSimHarness harness(scenario);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            harness.Sim().ReceivedBytes();
            harness.Sim().Commands();
            harness.Sim().SentRecords();
            harness.Sim().PendingRecords(0);
            harness.Sim().ChangeFaults([](sim::TFaults& faults) { faults.NoiseBytes = 0; });
        }
    });
    THostEnd host(harness.DevicePath());
    int records = host.Framed({0x02}).size() > 3 ? 1 : 0;
    while (records < 100 && host.Framed({0x03}).size() > 3) {
        ++records;
    }
    done = true;
    reader.join();
    EXPECT_EQ(records, 100);
    EXPECT_EQ(harness.Sim().SentRecords().size(), 100u);
}

} // namespace
} // namespace tallyvox::simtest
