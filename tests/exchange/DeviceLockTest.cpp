// One serial device, one opener: a second port object or a second program on
// the same pseudo-terminal is turned away and told who has it, also as root; a
// lock file that a finished process left behind does not stand in the way.

#include <algorithm>
#include <boost/make_shared.hpp>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "exchange/CommPort.h"
#include "exchange/LinkMessages.h"
#include "exchange/posix/PosixCommBackend.h"
#include "tests/kit/PtyPeer.h"
#include "tests/kit/TempDir.h"
#include "text/Cp1251.h"

namespace tallyvox {
namespace {

namespace fs = std::filesystem;

std::string ThisProgramsName() {
    std::ifstream file("/proc/self/comm");
    std::string name;
    std::getline(file, name);
    return name;
}

// A process id that no process has any more.
pid_t FinishedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

class DeviceLockTest : public ::testing::Test {
protected:
    std::unique_ptr<TCommPort> MakePort() const {
        return std::make_unique<TCommPort>(Clock, MakePosixCommBackend(LockFolder.Path()));
    }
    // "/dev/pts/7" is locked as "LCK..pts_7".
    fs::path LockFile() const {
        std::string name = Peer.DevicePath().substr(std::string("/dev/").size());
        std::replace(name.begin(), name.end(), '/', '_');
        return LockFolder.Path() / ("LCK.." + name);
    }
    void WriteLockFile(long pid) const {
        std::ofstream(LockFile()) << std::string(10 - std::to_string(pid).size(), ' ') << pid
                                  << '\n';
    }
    // True when the port opened; an open refused for a holder must say so.
    static bool Opens(TCommPort& port, const std::string& device) {
        try {
            port.Open(device);
            return true;
        } catch (const ECommError& error) {
            EXPECT_EQ(error.Code, CommErrorOpen);
            return false;
        }
    }

    boost::shared_ptr<TClock> Clock = boost::make_shared<TScaledClock>(10.0);
    testkit::TPtyPeer Peer;
    testkit::TTempDir LockFolder;
};

TEST_F(DeviceLockTest, ASecondPortOnTheSameDeviceIsRefusedUntilTheFirstCloses) {
    const auto first = MakePort();
    const auto second = MakePort();
    ASSERT_TRUE(Opens(*first, Peer.DevicePath()));
    char pidColumns[16];
    std::snprintf(pidColumns, sizeof pidColumns, "%10ld\n", static_cast<long>(::getpid()));
    EXPECT_EQ(testkit::FileContents(LockFile()), pidColumns);

    EXPECT_FALSE(Opens(*second, Peer.DevicePath()));
    EXPECT_FALSE(second->IsOpen());
    ASSERT_TRUE(second->Holder().has_value());
    EXPECT_EQ(second->Holder()->Device, Peer.DevicePath());
    EXPECT_EQ(second->Holder()->ProcessId, ::getpid());
    EXPECT_EQ(second->Holder()->ProcessName, ThisProgramsName());
    first->WriteByte(0x11);
    EXPECT_EQ(Peer.Take(), std::vector<std::uint8_t>{0x11}) << "the holder keeps its line";

    first->Close();
    EXPECT_FALSE(fs::exists(LockFile()));
    ASSERT_TRUE(Opens(*second, Peer.DevicePath()));
    EXPECT_FALSE(second->Holder().has_value());
    second->WriteByte(0x22);
    EXPECT_EQ(Peer.Take(), std::vector<std::uint8_t>{0x22});
}

// The other program is a child process that opens the device and holds it until
// the test lets it go.
TEST_F(DeviceLockTest, AnotherProgramHoldingTheDeviceIsNamedInTheMessage) {
    int opened[2];
    int release[2];
    ASSERT_EQ(::pipe(opened), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(opened[0]);
        ::close(release[1]);
        {
            const auto port = MakePort();
            const char result = Opens(*port, Peer.DevicePath()) ? 'y' : 'n';
            static_cast<void>(::write(opened[1], &result, 1));
            char ignored = 0;
            static_cast<void>(::read(release[0], &ignored, 1));
        }
        ::_exit(0);
    }
    ::close(opened[1]);
    ::close(release[0]);
    char result = 0;
    ASSERT_EQ(::read(opened[0], &result, 1), 1);
    ASSERT_EQ(result, 'y');

    const auto port = MakePort();
    EXPECT_FALSE(Opens(*port, Peer.DevicePath()));
    ASSERT_TRUE(port->Holder().has_value());
    EXPECT_EQ(port->Holder()->ProcessId, child);
    EXPECT_EQ(text::Cp1251ToUtf8(messages::PortInUse("COM2", *port->Holder())),
              "Порт COM2 (" + Peer.DevicePath() + ") занят другой программой: процесс " +
                  std::to_string(child) + " (" + ThisProgramsName() + ").");

    ::close(release[1]);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(fs::exists(LockFile())) << "the child removed its lock file";
    EXPECT_TRUE(Opens(*port, Peer.DevicePath()));
    ::close(opened[0]);
}

// Other serial programs keep the device by the lock file alone.
TEST_F(DeviceLockTest, ALockFileHoldsTheDeviceOnlyWhileItsProcessRuns) {
    struct TCase {
        const char* What;
        long Pid;
        bool Opens;
    };
    for (const TCase& c : {TCase{"a finished process", FinishedProcessId(), true},
                           TCase{"a running process", 1, false}}) {
        SCOPED_TRACE(c.What);
        WriteLockFile(c.Pid);
        const auto port = MakePort();
        EXPECT_EQ(Opens(*port, Peer.DevicePath()), c.Opens);
        if (c.Opens) {
            EXPECT_EQ(std::stol(testkit::FileContents(LockFile())), ::getpid());
        } else {
            ASSERT_TRUE(port->Holder().has_value());
            EXPECT_EQ(port->Holder()->ProcessId, c.Pid);
            EXPECT_EQ(std::stol(testkit::FileContents(LockFile())), c.Pid) << "left alone";
        }
        port->Close();
        fs::remove(LockFile());
    }
}

} // namespace
} // namespace tallyvox
