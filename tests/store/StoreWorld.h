#pragma once
// The store tests' world: the run's private PostgreSQL server (started by
// postgres.sh as a CTest fixture), a fresh database per test, and call files of
// generated traffic with header blocks, as the capture side writes them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "exchange/Record.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"
#include "store/PgConnection.h"
#include "tests/kit/TempDir.h"

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

// count calls of generated office traffic (seeded), oldest first, all ended by
// end, as the call lines a read writes.
inline std::vector<std::string> GeneratedCallLines(std::uint32_t seed, int count,
                                                   const TCalendarTime& end) {
    sim::TTrafficGenerator generator(seed, sim::TTrunkPlan::Arden, 0);
    TDecodeContext context;
    context.TimeUnit = 6;
    context.ModelName = "Arden-L1";
    context.CurrentYear = end.Year;
    std::vector<std::string> lines;
    for (const sim::TCall& call : generator.History(count, end)) {
        const std::vector<std::uint8_t> payload = sim::EncodeCall(call, 6);
        lines.push_back(
            callfile::FormatCallLine(DecodeRecordPayload(payload.data(), payload.size(), context)));
    }
    return lines;
}

// The lines as a call file writes them (CR LF), a header block before every
// block of calls.
inline std::string CallFileText(const std::vector<std::string>& lines, std::size_t block = 250) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i % block == 0) {
            text += callfile::HeaderDateLine({2026, 11, 30, 18, 0, 0}) + "\r\n" +
                    callfile::HeaderTitleLine() + "\r\n";
        }
        text += lines[i] + "\r\n";
    }
    return text;
}

inline void AppendToFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

} // namespace tallyvox::testkit
