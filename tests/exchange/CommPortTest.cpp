#include "exchange/CommPort.h"

#include <atomic>
#include <boost/make_shared.hpp>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <pthread.h>
#include <sstream>
#include <termios.h>
#include <thread>

#include "exchange/HexTrace.h"
#include "tests/kit/PtyPeer.h"
#include "tests/kit/ScopedEnvironment.h"

namespace tallyvox {
namespace {

using testkit::TPtyPeer;

constexpr const char* MissingDevice = "/nonexistent/tallyvox-no-such-port";

std::uint8_t CodeOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const ECommError& error) {
        return error.Code;
    }
    ADD_FAILURE() << "no ECommError raised";
    return 0;
}

class CommPortTest : public ::testing::Test {
protected:
    boost::shared_ptr<TClock> Clock = boost::make_shared<TScaledClock>(10.0);
    TPtyPeer Peer;
    TCommPort Port{Clock};
};

TEST_F(CommPortTest, OpeningAPathThatNamesNoDeviceRaisesCode8AndLeavesThePortClosed) {
    EXPECT_EQ(CodeOf([&] { Port.Open(MissingDevice); }), CommErrorOpen);
    EXPECT_FALSE(Port.IsOpen());
    // The port is usable afterwards.
    Port.Open(Peer.DevicePath());
    EXPECT_TRUE(Port.IsOpen());
}

TEST_F(CommPortTest, OpenSetsTheLineFormatAndTimeoutsOnTheDevice) {
    Port.Open(Peer.DevicePath());
    EXPECT_EQ(Port.Name(), Peer.DevicePath());
    EXPECT_EQ(Port.LineSettings().BaudRate, 19200);
    EXPECT_EQ(Port.LineSettings().ByteSize, 8);
    EXPECT_EQ(Port.LineSettings().Parity, 0);
    EXPECT_EQ(Port.LineSettings().StopBits, 2);
    EXPECT_EQ(Port.Timeouts().ReadInterval, 15u);
    EXPECT_EQ(Port.Timeouts().ReadTotalMultiplier, 1u);
    EXPECT_EQ(Port.Timeouts().ReadTotalConstant, 250u);
    EXPECT_EQ(Port.Timeouts().WriteTotalMultiplier, 1u);
    EXPECT_EQ(Port.Timeouts().WriteTotalConstant, 250u);

    const int fd = ::open(Peer.DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios line{};
    ASSERT_EQ(tcgetattr(fd, &line), 0);
    ::close(fd);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B19200));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
}

TEST_F(CommPortTest, OpeningAnOpenPortDoesNothing) {
    Port.Open(Peer.DevicePath());
    Port.SetBaudRate(9600);
    Port.Open(MissingDevice);
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_EQ(Port.Name(), Peer.DevicePath());
    EXPECT_EQ(Port.LineSettings().BaudRate, 9600); // not reconfigured
    Port.WriteByte(0x42);
    EXPECT_EQ(Peer.Take(), std::vector<std::uint8_t>{0x42});
}

TEST_F(CommPortTest, NameChangesOnlyWhileClosed) {
    Port.Open(Peer.DevicePath());
    EXPECT_EQ(CodeOf([&] { Port.SetName("COM2"); }), CommErrorSetNameWhileOpen);
    EXPECT_EQ(Port.Name(), Peer.DevicePath());
    Port.Close();
    EXPECT_FALSE(Port.IsOpen());
    Port.SetName("COM2");
    EXPECT_EQ(Port.Name(), "COM2");
    Port.Close(); // closing a closed port does nothing
}

TEST_F(CommPortTest, LineSettersStoreWhileClosedAndApplyWhileOpen) {
    TCommPort closed{Clock};
    EXPECT_EQ(closed.LineSettings().BaudRate, 9600);
    EXPECT_EQ(closed.LineSettings().StopBits, 0);
    closed.SetBaudRate(4800);
    EXPECT_EQ(closed.LineSettings().BaudRate, 4800);

    Port.Open(Peer.DevicePath());
    Port.SetBaudRate(9600);
    const int fd = ::open(Peer.DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios line{};
    ASSERT_EQ(tcgetattr(fd, &line), 0);
    ::close(fd);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
}

TEST_F(CommPortTest, ASettingTheDriverRefusesIsPutBackAndRaisesItsCode) {
    Port.Open(Peer.DevicePath());
    EXPECT_EQ(CodeOf([&] { Port.SetBaudRate(12345); }), CommErrorSetBaudRate);
    EXPECT_EQ(Port.LineSettings().BaudRate, 19200);
    EXPECT_EQ(CodeOf([&] { Port.SetParity(7); }), CommErrorSetParity);
    EXPECT_EQ(Port.LineSettings().Parity, 0);
    EXPECT_EQ(CodeOf([&] { Port.SetByteSize(9); }), CommErrorSetByteSize);
    EXPECT_EQ(Port.LineSettings().ByteSize, 8);
    EXPECT_EQ(CodeOf([&] { Port.SetStopBits(3); }), CommErrorSetStopBits);
    EXPECT_EQ(Port.LineSettings().StopBits, 2);

    const int fd = ::open(Peer.DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios line{};
    ASSERT_EQ(tcgetattr(fd, &line), 0);
    ::close(fd);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8)); // the line is as it was
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
}

TEST_F(CommPortTest, ReadByteReturnsMinusOneOnSilenceAndEveryByteValueOtherwise) {
    Port.Open(Peer.DevicePath());
    EXPECT_EQ(Port.ReadByte(), -1);
    Peer.Send({0xFF, 0x00, 0x7F});
    EXPECT_EQ(Port.ReadByte(), 255);
    EXPECT_EQ(Port.ReadByte(), 0);
    EXPECT_EQ(Port.ReadByte(), 0x7F);
    EXPECT_EQ(Port.ReadByte(), -1);
}

TEST_F(CommPortTest, ReadByteTimeoutWaitsForALateByteAndGivesUpOnSilence) {
    Port.Open(Peer.DevicePath());
    EXPECT_EQ(Port.ReadByteTimeout(500), -1);

    std::thread late([&] {
        std::this_thread::sleep_for(Clock->RealDuration(300));
        Peer.Send({0xA5});
    });
    EXPECT_EQ(Port.ReadByteTimeout(500), 0xA5);
    late.join();
}

// Protocol time that starts just before the 32-bit tick count wraps.
class TClockNearWrap : public TClock {
public:
    explicit TClockNearWrap(double speedup) : Inner(speedup) {}
    void StartAt(std::uint32_t tick) { Offset = tick - Inner.TickCount(); }
    std::uint32_t TickCount() override { return Inner.TickCount() + Offset; }
    void Sleep(std::uint32_t ms) override { Inner.Sleep(ms); }
    std::chrono::microseconds RealDuration(std::uint32_t ms) override {
        return Inner.RealDuration(ms);
    }
    TCalendarTime LocalNow() override { return Inner.LocalNow(); }

private:
    TScaledClock Inner;
    std::uint32_t Offset = 0;
};

TEST(CommPortTimeout, AWaitWhoseDeadlineLiesBeyondTheTickCountWrapLastsItsFullTime) {
    const auto clock = boost::make_shared<TClockNearWrap>(1.0);
    TPtyPeer peer;
    TCommPort port{clock};
    port.Open(peer.DevicePath());
    // The first read call ends about 350 ms before the wrap, so the deadline
    // lies 150 ms beyond it and the next read call still ends before it: a
    // comparison that ignored the wrap would give up there, about 500 ms in.
    // The byte arrives between that point and the true end of the wait.
    clock->StartAt(0xFFFFFFFFu - 600u);
    std::thread late([&] {
        std::this_thread::sleep_for(clock->RealDuration(620));
        peer.Send({0x3C});
    });
    EXPECT_EQ(port.ReadByteTimeout(500), 0x3C);
    late.join();
}

TEST_F(CommPortTest, AWriteToALineThatTakesNothingMoreGivesUpAndTheLineWorksAgainLater) {
    // Fill the line until it takes no more: the far end reads nothing meanwhile.
    const int filler = ::open(Peer.DevicePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(filler, 0);
    // The terminal moves bytes on to the far end's queue a little later, so it
    // is filled again until it has stayed full for a while.
    const std::vector<std::uint8_t> block(4096, 0x55);
    for (bool tookMore = true; tookMore;) {
        tookMore = false;
        while (::write(filler, block.data(), block.size()) > 0) {
            tookMore = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::close(filler);
    Port.Open(Peer.DevicePath());

    auto write = std::async(std::launch::async, [&] { Port.WriteByte(0x42); });
    const bool returned = write.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    std::vector<std::uint8_t> drained;
    for (std::vector<std::uint8_t> got = Peer.Take(); !got.empty(); got = Peer.Take()) {
        drained.insert(drained.end(), got.begin(), got.end());
    }
    EXPECT_TRUE(returned) << "a write to a stalled line never returned";
    write.get();
    Port.WriteByte(0x43);
    EXPECT_EQ(Peer.Take(), std::vector<std::uint8_t>{0x43});
}

// A port whose device failed to close stays marked open without a device: its
// reads must fail, not report a silent line.
TEST(PosixCommBackend, WithoutADeviceReadsAndWritesFail) {
    const std::unique_ptr<TCommBackend> backend = MakePlatformCommBackend();
    std::uint8_t byte = 0;
    EXPECT_EQ(backend->Read(byte, std::chrono::milliseconds(1)), -1);
    EXPECT_FALSE(backend->Write(0x00));
    EXPECT_NE(backend->LastError(), 0u);
}

// Signals that keep cutting a read's wait short (a handler without SA_RESTART,
// as a profiler's or a debugger's) end it at its time-out all the same: the
// rest of the wait is counted from its deadline, not started again.
TEST(PosixCommBackend, SignalsDuringAReadDoNotStretchItsTimeOut) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &quiet, &previous), 0);
    TPtyPeer peer;
    const std::unique_ptr<TCommBackend> backend = MakePlatformCommBackend();
    ASSERT_TRUE(backend->OpenDevice(peer.DevicePath()));
    const pthread_t reader = ::pthread_self();
    std::atomic<bool> done{false};
    std::thread interrupter([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done && std::chrono::steady_clock::now() < end) {
            ::pthread_kill(reader, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    std::uint8_t byte = 0;
    EXPECT_EQ(backend->Read(byte, std::chrono::milliseconds(300)), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    done = true;
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_LT(took, std::chrono::seconds(5)) << "the wait started again at each signal";
}

TEST_F(CommPortTest, WrittenBytesReachTheLineAndPurgeDiscardsOnlyWhatWasReceived) {
    Port.Open(Peer.DevicePath());
    Peer.Send({1, 2, 3});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Port.PurgeInput();
    Port.WriteByte(0x84);
    Port.WriteByte(0x00);
    Port.Flush();
    EXPECT_EQ(Port.ReadByte(), -1);
    EXPECT_EQ(Peer.Take(), (std::vector<std::uint8_t>{0x84, 0x00}));
}

TEST_F(CommPortTest, EverySingleByteOperationOnAClosedPortRaisesCode7) {
    EXPECT_EQ(CodeOf([&] { Port.PurgeInput(); }), CommErrorNotOpen);
    EXPECT_EQ(CodeOf([&] { Port.Flush(); }), CommErrorNotOpen);
    EXPECT_EQ(CodeOf([&] { Port.WriteByte(0); }), CommErrorNotOpen);
    EXPECT_EQ(CodeOf([&] { Port.ReadByte(); }), CommErrorNotOpen);
    EXPECT_EQ(CodeOf([&] { Port.ReadByteTimeout(100); }), CommErrorNotOpen);
    Port.Open(Peer.DevicePath());
    Port.Close();
    EXPECT_EQ(CodeOf([&] { Port.ReadByte(); }), CommErrorNotOpen);
}

TEST_F(CommPortTest, ALineThatGoesAwayFailsTheNextReadWithCode10) {
    Port.Open(Peer.DevicePath());
    Peer.CloseMaster();
    EXPECT_EQ(CodeOf([&] { Port.ReadByte(); }), CommErrorRead);
}

TEST_F(CommPortTest, TheHexTraceShowsEachRunOfBytesWithItsDirection) {
    std::ostringstream out;
    {
        THexTrace trace(out);
        Port.SetTrace(&trace);
        Port.Open(Peer.DevicePath());
        Port.WriteByte(0x84);
        Port.WriteByte(0x01);
        Peer.Send({0x00, 0xFF});
        Port.ReadByte();
        Port.ReadByte();
        Port.ReadByte(); // silence is not traced
        Port.WriteByte(0x0A);
        Port.SetTrace(nullptr);
    }
    EXPECT_EQ(out.str(), "> 84 01\n< 00 FF\n> 0A\n");
}

TEST(PortNames, ComNamesFollowTheirVariableElseTheSerialDeviceAndPathsStandAsTheyAre) {
    testkit::TScopedEnvironment com3("TALLYVOX_COM3", "/dev/ttyUSB0");
    testkit::TScopedEnvironment com4("TALLYVOX_COM4", nullptr);
    testkit::TScopedEnvironment com8("TALLYVOX_COM8", "");
    EXPECT_EQ(ResolvePortDevice("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortDevice("COM4"), "/dev/ttyS3");
    EXPECT_EQ(ResolvePortDevice("COM8"), "/dev/ttyS7"); // an empty variable maps nothing
    EXPECT_EQ(ResolvePortDevice("/tmp/line"), "/tmp/line");
    EXPECT_EQ(ResolvePortDevice("COM0"), "COM0");
    EXPECT_EQ(ResolvePortDevice("COMX"), "COMX");
    EXPECT_EQ(ResolvePortDevice("LPT1"), "LPT1");
}

TEST_F(CommPortTest, AComNameOpensTheDeviceItsVariableNames) {
    testkit::TScopedEnvironment com5("TALLYVOX_COM5", Peer.DevicePath().c_str());
    testkit::TScopedEnvironment com6("TALLYVOX_COM6", MissingDevice);
    Port.Open("COM5");
    EXPECT_EQ(Port.Name(), "COM5");
    Port.WriteByte(0x01);
    EXPECT_EQ(Peer.Take(), std::vector<std::uint8_t>{0x01});
    Port.Close();
    EXPECT_EQ(CodeOf([&] { Port.Open("COM6"); }), CommErrorOpen);
    EXPECT_FALSE(Port.IsOpen());
}

} // namespace
} // namespace tallyvox
