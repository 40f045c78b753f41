// The forwarder's hold on the call file against a real PostgreSQL server: files
// replaced in place, truncated and rotated, line ends of every kind, and a store
// of the first schema version brought to the present one.

#include <gtest/gtest.h>

#include <filesystem>

#include "store/Forwarder.h"
#include "store/LineSerials.h"
#include "store/Schema.h"
#include "tests/kit/TempDir.h"
#include "tests/store/StoreWorld.h"

namespace tallyvox::store {
namespace {

namespace fs = std::filesystem;
using testkit::TTempDir;

constexpr TCalendarTime November{2026, 11, 30, 18, 0, 0};

std::string Lines(const std::vector<std::string>& lines, std::size_t from, std::size_t to,
                  const std::string& end = "\r\n") {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        text += lines[i] + end;
    }
    return text;
}

std::string Query(const std::string& url, const std::string& sql) {
    TPgConnection connection(url);
    return connection.Query(sql).at(0).at(0);
}

// What happens to the call file between two passes of the forwarder, after it
// delivered lines 0-99 and lines 100-149 were appended without being sent.
struct TFileChange {
    const char* Name;
    void (*Change)(const fs::path& file, const fs::path& elsewhere);
    // Where the rest of the old file went, for tallyvox-forward --once; none:
    // the forwarder finds it itself.
    bool SendOldFileByHand = false;
    const char* Warning; // what the forwarder says, in part
};

void PrintTo(const TFileChange& change, std::ostream* out) {
    *out << change.Name;
}

const std::vector<std::string> Calls = testkit::GeneratedCallLines(41, 300, November);

void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text; // the same inode
}

const TFileChange FileChanges[] = {
    {"ReplacedInPlaceByALongerFile",
     [](const fs::path& file, const fs::path&) {
         // Another office's file copied over it: sent whole.
         Write(file, Lines(Calls, 150, 300));
     },
     false, "is not the one delivered up to byte"},
    {"CopiedAndTruncated",
     [](const fs::path& file, const fs::path&) {
         fs::copy_file(file, file.string() + ".1");
         fs::resize_file(file, 0);
         testkit::AppendToFile(file, Lines(Calls, 150, 300));
     },
     false, "50 calls at the end of the previous call file"},
    {"RenamedBesideIt",
     [](const fs::path& file, const fs::path&) {
         fs::rename(file, file.string() + "-20261130");
         testkit::AppendToFile(file, Lines(Calls, 150, 300));
     },
     false, "50 calls at the end of the previous call file"},
    {"MovedElsewhere",
     [](const fs::path& file, const fs::path& elsewhere) {
         fs::rename(file, elsewhere);
         testkit::AppendToFile(file, Lines(Calls, 150, 300));
     },
     true, "is not the one delivered up to byte"},
};

class FileChangeTest : public testing::TestWithParam<TFileChange> {};

// Whatever became of the file, every line of it and of its successor reaches
// the store once; what the forwarder cannot reach is said and sent by hand.
TEST_P(FileChangeTest, EveryLineOnce) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const TFileChange& change = GetParam();
    const std::string url = testkit::FreshDatabase("change");
    TTempDir dir;
    TTempDir other;
    const fs::path file = dir.Path() / "calls.txt";
    const fs::path elsewhere = other.Path() / "old-calls.txt";
    std::vector<std::string> warnings;
    TForwarder forwarder({url, "kiev", file.string(), "", 40, TInsertMode::Copy});
    forwarder.Warn = [&](const std::string& message) { warnings.push_back(message); };
    testkit::AppendToFile(file, Lines(Calls, 0, 100));
    EXPECT_EQ(forwarder.SendPending(), 100u);
    const bool keepsTail = std::string(change.Name) != "ReplacedInPlaceByALongerFile";
    if (keepsTail) {
        testkit::AppendToFile(file, Lines(Calls, 100, 150));
    }
    change.Change(file, elsewhere);
    forwarder.SendPending();
    if (change.SendOldFileByHand) {
        EXPECT_EQ(Query(url, "SELECT count(*) FROM tallyvox_calls"), "250");
        TForwarder({url, "kiev", elsewhere.string(), "", 40, TInsertMode::Copy}).SendPending();
    }
    EXPECT_EQ(forwarder.SendPending(), 0u);
    const std::string expected = keepsTail ? "300" : "250";
    EXPECT_EQ(Query(url, "SELECT count(*) FROM tallyvox_calls"), expected);
    EXPECT_EQ(Query(url, "SELECT count(DISTINCT raw_line) FROM tallyvox_calls"), expected);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings.front().find(change.Warning), std::string::npos) << warnings.front();
}

INSTANTIATE_TEST_SUITE_P(Rotations, FileChangeTest, testing::ValuesIn(FileChanges),
                         [](const testing::TestParamInfo<TFileChange>& info) {
                             return std::string(info.param.Name);
                         });

// A file whose lines end in CR alone, or in a mix of CR, LF and CR LF, reaches
// the store line for line; before the file exists there is nothing to send and
// nothing wrong.
TEST(LineEndTest, EveryKindOfLineEndReachesTheStore) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("line_ends");
    TTempDir dir;
    const fs::path file = dir.Path() / "calls.txt";
    TForwarder forwarder({url, "kiev", file.string(), "", 500, TInsertMode::Copy});
    EXPECT_EQ(forwarder.SendPending(), 0u);
    testkit::AppendToFile(file, Lines(Calls, 0, 100, "\r"));
    EXPECT_EQ(forwarder.SendPending(), 100u);
    testkit::AppendToFile(file, Lines(Calls, 100, 150, "\n") + Lines(Calls, 150, 200, "\r") +
                                    Lines(Calls, 200, 250, "\r\n"));
    EXPECT_EQ(forwarder.SendPending(), 150u);
    EXPECT_EQ(Query(url, "SELECT count(DISTINCT raw_line) FROM tallyvox_calls"), "250");
    EXPECT_EQ(Query(url, "SELECT count(*) FROM tallyvox_calls WHERE position('\\x0d'::bytea "
                         "IN raw_line) > 0 OR position('\\x0a'::bytea IN raw_line) > 0"),
              "0");
}

callfile::TCoverageEntry ReadingAt(const char* serial, std::optional<std::uint64_t> offset,
                                   std::uint64_t fileId) {
    callfile::TCoverageEntry entry;
    entry.Serial = serial;
    entry.CallFileOffset = offset;
    entry.CallFileId = fileId;
    return entry;
}

// Each line of call file 7 (1000 bytes now) goes with the exchange that the
// journal says was read when it was written, through truncations, rotations
// and entries of an older version that place nothing.
TEST(LineSerialsTest, EachLineGoesWithTheExchangeReadWhenItWasWritten) {
    callfile::TCoverageEntry gap;
    gap.Event = callfile::TCoverageEvent::Gap;
    const struct {
        std::vector<callfile::TCoverageEntry> Journal;
        std::vector<std::pair<std::uint64_t, std::string>> Expected; // offset, serial
    } cases[] = {
        {{ReadingAt("A", 0, 0), gap, ReadingAt("B", 500, 7)},
         {{0, "A"}, {499, "A"}, {500, "B"}, {999, "B"}}},
        {{ReadingAt("A", 0, 7), ReadingAt("B", 1800, 7)}, {{0, "B"}, {999, "B"}}},
        {{ReadingAt("A", 0, 7), ReadingAt("B", 1800, 7), ReadingAt("C", 200, 7)},
         {{0, "B"}, {199, "B"}, {200, "C"}}},
        {{ReadingAt("A", 0, 5), ReadingAt("B", 300, 5)}, {{0, "B"}, {999, "B"}}},
        {{ReadingAt("A", std::nullopt, 0), ReadingAt("B", 100, 7)},
         {{0, ""}, {99, ""}, {100, "B"}}},
        {{}, {{0, ""}}},
    };
    for (const auto& each : cases) {
        const TLineSerials serials(each.Journal, 7, 1000);
        for (const auto& [offset, serial] : each.Expected) {
            EXPECT_EQ(serials.At(offset), serial)
                << "at " << offset << " of case " << &each - cases;
        }
    }
}

// The tables as the first version made them: its key held the serial number.
constexpr const char* VersionOneTables = R"(
CREATE TABLE tallyvox_schema (version integer NOT NULL);
INSERT INTO tallyvox_schema VALUES (1);
CREATE TABLE tallyvox_calls (
    id bigserial PRIMARY KEY, site text NOT NULL, serial_number text NOT NULL,
    start_at timestamp NOT NULL, duration_seconds integer NOT NULL, hardware_line text NOT NULL,
    program_number text NOT NULL, trunk text NOT NULL, dialled_number text NOT NULL,
    date_suspicious boolean NOT NULL, start_suspicious boolean NOT NULL,
    duration_suspicious boolean NOT NULL, raw_line bytea NOT NULL, captured_at timestamptz NOT NULL,
    CONSTRAINT tallyvox_calls_once UNIQUE
        (site, start_at, serial_number, hardware_line, duration_seconds, trunk, dialled_number));
CREATE TABLE tallyvox_coverage (
    site text NOT NULL, begins_at timestamptz NOT NULL, ends_at timestamptz,
    captured boolean NOT NULL, serial_number text NOT NULL DEFAULT '',
    records integer NOT NULL DEFAULT 0, reason text NOT NULL DEFAULT '',
    CONSTRAINT tallyvox_coverage_once UNIQUE (site, begins_at, captured));
)";

// A store of version 1 that holds calls twice (sent again without a serial
// number, or with another one) keeps one row of each, the one with a serial;
// from then on a call sent again adds nothing, and a row without a serial
// takes the one it is sent with.
TEST(StoreSchemaTest, VersionOneIsMigratedToOneRowPerCall) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("migrate");
    TTempDir dir;
    const fs::path file = dir.Path() / "calls.txt";
    testkit::AppendToFile(file, Lines(Calls, 0, 100));
    {
        TPgConnection connection(url);
        connection.Execute(VersionOneTables);
        PrepareBatches(connection);
        std::vector<TStoredCall> calls;
        for (std::size_t i = 0; i < 100; ++i) {
            calls.push_back(*StoredCallOf(Calls[i]));
        }
        // 0-99 without a serial, 0-49 again with A, 40-59 again with B.
        InsertCalls(connection, "kiev", "", calls, TInsertMode::Copy);
        InsertCalls(connection, "kiev", "A", {calls.begin(), calls.begin() + 50},
                    TInsertMode::Copy);
        InsertCalls(connection, "kiev", "B", {calls.begin() + 40, calls.begin() + 60},
                    TInsertMode::Insert);
    }
    EXPECT_EQ(Query(url, "SELECT count(*) FROM tallyvox_calls"), "170");
    {
        // A role that may read the tables but not change them is told what to do.
        TPgConnection owner(url);
        owner.Execute("DROP ROLE IF EXISTS tallyvox_reader; CREATE ROLE tallyvox_reader LOGIN; "
                      "GRANT SELECT ON ALL TABLES IN SCHEMA public TO tallyvox_reader");
        TPgConnection reader(url + " user=tallyvox_reader");
        try {
            PrepareSchema(reader);
            ADD_FAILURE() << "a role that cannot migrate the store migrated it";
        } catch (const EStoreError& error) {
            EXPECT_EQ(std::string(error.what())
                          .rfind("the store is of schema version 1 and could "
                                 "not be brought to version 4 (",
                                 0),
                      0u)
                << error.what();
        }
        owner.Execute("DROP OWNED BY tallyvox_reader; DROP ROLE tallyvox_reader");
    }
    TForwarder forwarder({url, "kiev", file.string(), "", 500, TInsertMode::Copy});
    forwarder.SetSerialNumber("C");
    forwarder.SendPending();
    EXPECT_EQ(Query(url, "SELECT version FROM tallyvox_schema"), std::to_string(SchemaVersion));
    EXPECT_EQ(Query(url, "SELECT string_agg(serial_number || ':' || n, ' ' ORDER BY "
                         "serial_number) FROM (SELECT serial_number, count(*) AS n FROM "
                         "tallyvox_calls GROUP BY 1) AS serials"),
              "A:50 B:10 C:40");
    EXPECT_EQ(Query(url, "SELECT count(DISTINCT raw_line) FROM tallyvox_calls"), "100");
}

} // namespace
} // namespace tallyvox::store
