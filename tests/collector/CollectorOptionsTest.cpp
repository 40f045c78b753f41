// The collector's options and its reconnect policy.

#include <gtest/gtest.h>

#include <vector>

#include "capture/ReconnectPolicy.h"
#include "collector/CommandLine.h"

namespace tallyvox::collector {
namespace {

using namespace std::chrono_literals;

TEST(CollectorOptionsTest, ReadsEveryOption) {
    const TCollectOptions options =
        ParseCommandLine({"--dir", "/var/lib/tallyvox", "--port", "/dev/serial/by-id/usb-x",
                          "--file", "calls.txt", "--status", "/run/tallyvox/status.json", "--once",
                          "--retry-first", "20", "--retry-longest", "500"});
    EXPECT_EQ(options.Dir, "/var/lib/tallyvox");
    EXPECT_EQ(options.Port, "/dev/serial/by-id/usb-x");
    EXPECT_EQ(options.File, "calls.txt");
    EXPECT_EQ(options.Status, "/run/tallyvox/status.json");
    EXPECT_TRUE(options.Once);
    EXPECT_EQ(options.RetryFirst, 20ms);
    EXPECT_EQ(options.RetryLongest, 500ms);

    const TCollectOptions plain = ParseCommandLine({});
    EXPECT_EQ(plain.Dir, ".");
    EXPECT_FALSE(plain.Port || plain.File || plain.Status || plain.Once);
    EXPECT_EQ(plain.RetryFirst, 1s);
    EXPECT_EQ(plain.RetryLongest, 60s);
}

TEST(CollectorOptionsTest, RefusesMistakesWithTheReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes{
        {{"--bogus"}, "unknown option"},
        {{"--port"}, "a value must follow"},
        {{"--file", ""}, "a value must follow"},
        {{"--retry-first", "0"}, "expected milliseconds"},
        {{"--retry-first", "5s"}, "expected milliseconds"},
        {{"--retry-first", "2000", "--retry-longest", "1000"}, "must not be shorter"},
        {{"calls.txt"}, "unknown option"},
        {{"--store", "host=/run/db"}, "--store and --site go together"},
        {{"--site", "kiev"}, "--store and --site go together"},
    };
    for (const auto& [arguments, reason] : mistakes) {
        try {
            ParseCommandLine(arguments);
            ADD_FAILURE() << arguments.front() << " was accepted";
        } catch (const ECommandLineError& error) {
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
        }
    }
}

TEST(CollectorOptionsTest, TheUsageNamesEveryExitStatus) {
    const std::string usage = Usage();
    for (const char* status : {"\n  0 ", "\n  2 ", "\n  3 ", "\n  4 ", "\n  5 ", "\n  6 ", "\n  7 ",
                               "\n  8 ", "\n  9 ", "\n  10 "}) {
        EXPECT_NE(usage.find(status), std::string::npos) << status;
    }
}

TEST(ReconnectPolicyTest, DoublesUpToTheLongestAndStartsAgainAfterASuccess) {
    capture::TReconnectPolicy policy;
    std::vector<std::chrono::milliseconds> waits;
    for (int i = 0; i < 9; ++i) {
        waits.push_back(policy.NextWait());
    }
    const std::vector<std::chrono::milliseconds> expected{1s, 2s, 4s, 8s, 16s, 32s, 60s, 60s, 60s};
    EXPECT_EQ(waits, expected);
    policy.Reset();
    EXPECT_EQ(policy.NextWait(), 1s);

    capture::TReconnectPolicy fast(30ms, 100ms);
    EXPECT_EQ(fast.NextWait(), 30ms);
    EXPECT_EQ(fast.NextWait(), 60ms);
    EXPECT_EQ(fast.NextWait(), 100ms);
}

} // namespace
} // namespace tallyvox::collector
