#pragma once
// The store tests' world: the run's private PostgreSQL server (started by
// postgres.sh as a CTest fixture), a fresh database per test, and call files of
// generated traffic with header blocks, as the capture side writes them.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/PgConnection.h"
#include "tests/kit/TempDir.h"
#include "tests/store/CallFiles.h"

namespace tallyvox::testkit {

// Set by CMake: the server's folder (its socket is there) and its control script.
inline const std::string StoreServerFolder = TALLYVOX_TEST_STORE_FOLDER;
inline const std::string StoreServerControl = TALLYVOX_TEST_STORE_CONTROL;

// Why the tests cannot run, or "" when the server is up.
inline std::string StoreServerMissing() {
    const std::filesystem::path missing = StoreServerFolder + "/missing";
    if (std::filesystem::exists(missing)) {
        return "no PostgreSQL server for the store tests: " + FileContents(missing);
    }
    if (!std::filesystem::exists(StoreServerFolder + "/data/postmaster.pid")) {
        return "the store tests' server is not running (run them through ctest, which starts it)";
    }
    return "";
}

#define TALLYVOX_REQUIRE_STORE_SERVER()                                                            \
    if (const std::string why = ::tallyvox::testkit::StoreServerMissing(); !why.empty())           \
    GTEST_SKIP() << why

inline std::string StoreUrl(const std::string& database) {
    return "host=" + StoreServerFolder + " user=tallyvox dbname=" + database;
}

// An empty database of that name (one left by an earlier run is dropped); its
// connection string.
inline std::string FreshDatabase(const std::string& name) {
    store::TPgConnection server(StoreUrl("postgres"));
    server.Execute("SET client_min_messages = warning");
    server.Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    server.Execute("CREATE DATABASE " + name);
    return StoreUrl(name);
}

// Stops or starts the server, its data kept.
inline void ControlStoreServer(const std::string& action) {
    const std::string command =
        "bash " + StoreServerControl + " " + action + " " + StoreServerFolder;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

inline void AppendToFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// A program started by a test, killed when the test ends before it stopped it.
struct TChildProcess {
    pid_t Pid = 0;
    ~TChildProcess() {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
    }
    // Sends signal and waits; the wait status.
    int Stop(int signal) {
        kill(Pid, signal);
        int status = 0;
        waitpid(Pid, &status, 0);
        Pid = 0;
        return status;
    }
};

} // namespace tallyvox::testkit
