// The Windows serial channel against the native simulator, which answers on a
// pseudo-terminal linked into the wine prefix as COM5 (tests/windows/
// with_simulator.sh starts it with TALLYVOX_SIM_CALLS calls in its buffer).

#include <boost/make_shared.hpp>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

#include "exchange/LowLevel.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/TempDir.h"

namespace tallyvox {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr const char* SimulatorPort = "COM5";

milliseconds Elapsed(steady_clock::time_point since) {
    return std::chrono::duration_cast<milliseconds>(steady_clock::now() - since);
}

// The code of the ECommError the operation raised, 0 when it raised none.
template <typename TOperation> std::uint8_t CodeOf(TOperation operation) {
    try {
        operation();
    } catch (const ECommError& error) {
        return error.Code;
    }
    return 0;
}

std::uint8_t OpenCode(TCommPort& port) {
    return CodeOf([&] { port.Open(SimulatorPort); });
}

class Win32LinkTest : public ::testing::Test {
protected:
    boost::shared_ptr<TClock> Clock = boost::make_shared<TSystemClock>();
};

// The read waits are the driver's: a silent line must neither return at once
// (a read loop would spin) nor hang. The bounds are wide; the times are shown.
TEST_F(Win32LinkTest, OpenSetsTheLineAndReadsOnASilentLineReturnAfterTheReadTimeout) {
    TCommPort port(Clock);
    port.Open(SimulatorPort);
    EXPECT_EQ(port.LineSettings().BaudRate, 19200);
    EXPECT_EQ(port.LineSettings().ByteSize, 8);
    EXPECT_EQ(port.LineSettings().Parity, 0);
    EXPECT_EQ(port.LineSettings().StopBits, 2);
    port.PurgeInput();
    port.Flush();

    auto start = steady_clock::now();
    EXPECT_EQ(port.ReadByte(), -1);
    const milliseconds oneRead = Elapsed(start);
    start = steady_clock::now();
    EXPECT_EQ(port.ReadByteTimeout(500), -1);
    const milliseconds timedRead = Elapsed(start);
    std::printf("one read on silence: %lld ms; ReadByteTimeout(500): %lld ms\n",
                static_cast<long long>(oneRead.count()), static_cast<long long>(timedRead.count()));
    EXPECT_GE(oneRead, milliseconds(150));
    EXPECT_LT(oneRead, milliseconds(3000));
    EXPECT_GE(timedRead, milliseconds(500));
    EXPECT_LT(timedRead, milliseconds(5000));

    // A probe is answered at once, well inside one read's wait.
    port.WriteByte(0x00);
    EXPECT_EQ(port.ReadByteTimeout(2000), 0x00);
}

// (A second opener of a held port is refused by the Windows serial driver;
// wine's devices do not refuse it, so that is not shown here.)
TEST_F(Win32LinkTest, ASecondOpenDoesNothingAndClosingLetsGoOfTheDevice) {
    TCommPort first(Clock);
    first.Open(SimulatorPort);
    EXPECT_EQ(OpenCode(first), 0);
    EXPECT_TRUE(first.IsOpen());
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(CodeOf([&] { first.ReadByte(); }), CommErrorNotOpen);

    TCommPort second(Clock);
    EXPECT_EQ(OpenCode(second), 0);
    second.WriteByte(0x00);
    EXPECT_EQ(second.ReadByteTimeout(2000), 0x00) << "the reopened port talks";
}

TEST_F(Win32LinkTest, AnIdentificationAndADownloadThroughTheComPortDeliverEveryCall) {
    const char* calls = std::getenv("TALLYVOX_SIM_CALLS");
    ASSERT_NE(calls, nullptr) << "run through tests/windows/with_simulator.sh";
    const int expected = std::atoi(calls);
    testkit::TTempDir dir;
    testkit::TCurrentDir current(dir.Path());
    auto notifier = boost::make_shared<testkit::TRecordingNotifier>();
    TLowLevel link(Clock, notifier);

    ASSERT_EQ(link.OpenPort(SimulatorPort), TLowLevel::PortOpened);
    ASSERT_EQ(link.Identify(), TLowLevel::IdentifyDone);
    EXPECT_FALSE(link.Status.ModelName.empty());
    EXPECT_EQ(link.Status.BufferFill, expected);

    // A single exchange's buffer ends with a one-byte reply: -1, as natively.
    std::vector<TRecord> received;
    EXPECT_EQ(link.Download([&](TRecord record) { received.push_back(std::move(record)); }),
              TLowLevel::DownloadFailed);
    EXPECT_EQ(link.DownloadEnd, TDownloadEnd::Finished);
    EXPECT_EQ(link.RejectedCount, 0);
    ASSERT_EQ(static_cast<int>(received.size()), expected);
    for (const TRecord& record : received) {
        EXPECT_GE(record.Year, 1980);
        EXPECT_EQ(record.MonthInvalid + record.DayInvalid + record.StartHourInvalid, 0);
    }
    EXPECT_TRUE(notifier->Messages.empty());
}

} // namespace
} // namespace tallyvox
