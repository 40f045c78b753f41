// A child process that the program starts (a file dialog's helper, a service
// script) must not hold the serial line: neither the port's device nor the
// simulator's pseudo-terminal is inherited across exec.

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/e2e/LinkFixture.h"

namespace tallyvox::e2e {
namespace {

// The descriptors open in this process now.
std::set<int> OpenDescriptors() {
    std::vector<int> listed;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        listed.push_back(std::stoi(entry.path().filename().string()));
    }
    // The listing's own descriptor is closed again by now.
    std::set<int> open;
    for (int fd : listed) {
        if (::fcntl(fd, F_GETFD) != -1) {
            open.insert(fd);
        }
    }
    return open;
}

std::set<int> OpenedSince(const std::set<int>& before) {
    std::set<int> opened;
    for (int fd : OpenDescriptors()) {
        if (!before.contains(fd)) {
            opened.insert(fd);
        }
    }
    return opened;
}

// Starts a shell with fork and exec and lets it say which of the descriptors it
// holds; the shell opens nothing of its own before its test of each one.
std::string HeldByChild(const std::set<int>& descriptors) {
    std::string script = "for fd in";
    for (int fd : descriptors) {
        script += " " + std::to_string(fd);
    }
    script += "; do [ -e /proc/$$/fd/$fd ] && printf '%s ' $fd; done; exit 0";
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string held;
    char buffer[256];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        held.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child did not run";
    return held;
}

class ChildProcessTest : public LinkFixture {};

TEST_F(ChildProcessTest, AChildProcessHoldsNeitherThePortNorTheSimulatorsLine) {
    const std::set<int> beforeSimulator = OpenDescriptors();
    Harness = std::make_unique<testkit::TSimHarness>(sim::SingleExchangeScenario(6, 0));
    const std::set<int> simulator = OpenedSince(beforeSimulator);
    const std::set<int> beforePort = OpenDescriptors();
    MakeLink(Harness->MapPort(1), boost::make_shared<TScaledClock>(10.0));
    const std::set<int> port = OpenedSince(beforePort);
    ASSERT_FALSE(simulator.empty());
    ASSERT_FALSE(port.empty());
    ASSERT_EQ(Link->Identify(), 1) << "the port is the simulator's line";

    // A descriptor opened without close-on-exec shows that the child's check works.
    const int inherited = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inherited, 0);
    std::set<int> checked = simulator;
    checked.insert(port.begin(), port.end());
    checked.insert(inherited);
    EXPECT_EQ(HeldByChild(checked), std::to_string(inherited) + " ");
    ::close(inherited);
}

} // namespace
} // namespace tallyvox::e2e
