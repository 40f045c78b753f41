// tallyvox-collect as systemd runs it with Type=notify: the service manager's
// socket (NOTIFY_SOCKET) is one the test opens itself, the exchange is the
// simulator on a pseudo-terminal.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "sim/Scenario.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/WaitUntil.h"

extern char** environ;

namespace tallyvox::collector {
namespace {

using namespace std::chrono_literals;

// A datagram socket bound to a fresh name, as systemd's notification socket.
class TNotifySocket {
public:
    explicit TNotifySocket(const std::filesystem::path& path) : Path(path.string()) {
        Fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        Path.copy(address.sun_path, sizeof address.sun_path - 1);
        Bound = ::bind(Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~TNotifySocket() { ::close(Fd); }
    TNotifySocket(const TNotifySocket&) = delete;
    TNotifySocket& operator=(const TNotifySocket&) = delete;

    // The messages received until one holds wanted (true) or 20 s passed (false),
    // each added to Told.
    bool WaitFor(const std::string& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd request{Fd, POLLIN, 0};
            if (::poll(&request, 1, 100) != 1) {
                continue;
            }
            char message[4096];
            const ssize_t got = ::recv(Fd, message, sizeof message, 0);
            if (got > 0) {
                const std::string text(message, static_cast<std::size_t>(got));
                Told.push_back(text);
                if (text.find(wanted) != std::string::npos) {
                    return true;
                }
            }
        }
        return false;
    }

    std::string Path;
    bool Bound = false;
    std::vector<std::string> Told;

private:
    int Fd = -1;
};

// The collector started with NOTIFY_SOCKET; killed if the test ends first.
class TCollectorProcess {
public:
    TCollectorProcess(const std::vector<std::string>& arguments, const std::string& notifySocket,
                      const std::filesystem::path& errors) {
        std::vector<std::string> environment{"NOTIFY_SOCKET=" + notifySocket};
        for (char** variable = environ; *variable != nullptr; ++variable) {
            if (std::string(*variable).rfind("NOTIFY_SOCKET=", 0) != 0) {
                environment.emplace_back(*variable);
            }
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv = Pointers(arguments);
        std::vector<char*> envp = Pointers(environment);
        if (posix_spawn(&Pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            Pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TCollectorProcess() {
        if (Pid > 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
    }
    TCollectorProcess(const TCollectorProcess&) = delete;
    TCollectorProcess& operator=(const TCollectorProcess&) = delete;

    // The wait status once it ended within 20 s; -1 otherwise.
    int Ended() {
        int status = -1;
        if (testkit::WaitUntil([&] { return ::waitpid(Pid, &status, WNOHANG) == Pid; }, 20s)) {
            Pid = -1;
            return status;
        }
        return -1;
    }

    pid_t Pid = -1;

private:
    static std::vector<char*> Pointers(const std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (const std::string& text : texts) {
            pointers.push_back(const_cast<char*>(text.c_str()));
        }
        pointers.push_back(nullptr);
        return pointers;
    }
};

// Ready once capture starts; reloading and ready again on SIGHUP; stopping on
// SIGTERM, which ends it with 0 and every call in the file.
TEST(ServiceNotifyTest, ToldReadyReloadingAndStopping) {
    testkit::TTempDir dir;
    testkit::TSimHarness sim(sim::SingleExchangeScenario(6, 3));
    TNotifySocket manager(dir.Path() / "notify");
    ASSERT_TRUE(manager.Bound);
    TCollectorProcess collector({TALLYVOX_COLLECT_PROGRAM, "--dir", dir.Path().string(), "--port",
                                 sim.DevicePath(), "--file", "calls.txt"},
                                manager.Path, dir.Path() / "collect.err");
    ASSERT_GT(collector.Pid, 0);

    ASSERT_TRUE(manager.WaitFor("READY=1"));
    EXPECT_TRUE(testkit::WaitUntil(
        [&] {
            const std::string calls = testkit::FileContents(dir.Path() / "calls.txt");
            return std::count(calls.begin(), calls.end(), '\n') == 5; // header and 3 calls
        },
        20s));
    EXPECT_TRUE(manager.WaitFor("STATUS=reading"));

    ::kill(collector.Pid, SIGHUP);
    ASSERT_TRUE(manager.WaitFor("RELOADING=1"));
    EXPECT_TRUE(manager.WaitFor("READY=1"));

    ::kill(collector.Pid, SIGTERM);
    EXPECT_TRUE(manager.WaitFor("STOPPING=1"));
    const int status = collector.Ended();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(testkit::FileContents(dir.Path() / "collect.err").find("stopped"), std::string::npos);
}

// A second SIGTERM does not wait for the orderly end: here the first waits for a
// store that accepts the connection and never answers (a listening socket on
// loopback that nobody reads), the second ends the process by that signal.
TEST(ServiceNotifyTest, ASecondSigtermEndsAtOnce) {
#ifndef TALLYVOX_COLLECT_HAS_STORE
    GTEST_SKIP() << "this build has no store to wait for";
#endif
    testkit::TTempDir dir;
    testkit::TSimHarness sim(sim::SingleExchangeScenario(6, 3));
    TNotifySocket manager(dir.Path() / "notify");
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 8), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string url =
        "postgresql://tallyvox@127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/tallyvox";
    TCollectorProcess collector({TALLYVOX_COLLECT_PROGRAM, "--dir", dir.Path().string(), "--port",
                                 sim.DevicePath(), "--file", "calls.txt", "--store", url, "--site",
                                 "kiev"},
                                manager.Path, dir.Path() / "collect.err");
    ASSERT_TRUE(manager.WaitFor("READY=1"));
    ASSERT_TRUE(manager.WaitFor("STATUS=reading"));
    ::kill(collector.Pid, SIGTERM);
    ASSERT_TRUE(manager.WaitFor("STOPPING=1"));
    int status = 0;
    std::this_thread::sleep_for(500ms);
    if (::waitpid(collector.Pid, &status, WNOHANG) == collector.Pid) {
        collector.Pid = -1;
        ::close(silent);
        GTEST_SKIP() << "the first SIGTERM ended it before a second could be sent";
    }
    ::kill(collector.Pid, SIGTERM);
    status = collector.Ended();
    ::close(silent);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

} // namespace
} // namespace tallyvox::collector
