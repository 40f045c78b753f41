// The store against a real PostgreSQL server: forwarding a call file, a server
// that goes away in the middle, a forwarder killed between commit and mark, two
// sites in one report, and the report from the store against the report from
// the files, byte for byte.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <sstream>

#include "forward/CommandLine.h"
#include "report/Load.h"
#include "report/Totals.h"
#include "reportcli/Run.h"
#include "store/Coverage.h"
#include "store/Forwarder.h"
#include "store/Forwarding.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/WaitUntil.h"
#include "tests/store/StoreWorld.h"

namespace tallyvox::store {
namespace {

using namespace std::chrono_literals;
using testkit::TTempDir;

constexpr TCalendarTime November{2026, 11, 30, 18, 0, 0};
const report::TDateTime Now{2026, 12, 1, 9, 0, 0};

std::string Count(const std::string& url, const std::string& what) {
    TPgConnection connection(url);
    return connection.Query("SELECT " + what + " FROM tallyvox_calls").at(0).at(0);
}

// As Count, "" while the store has no tables yet.
std::string CountSoFar(const std::string& url, const std::string& what) {
    try {
        return Count(url, what);
    } catch (const EStoreError&) {
        return "";
    }
}

// Every call once: as many rows as the file has calls, none alike.
void ExpectEveryCallOnce(const std::string& url, std::size_t calls) {
    EXPECT_EQ(Count(url, "count(*)"), std::to_string(calls));
    EXPECT_EQ(Count(url, "count(DISTINCT (site, raw_line))"), std::to_string(calls));
}

// The report's outputs (the three exports and the tables) for options, as bytes.
// The tables' first line, the line count of the source, is left out: a file counts
// its header lines and the lines outside the period, the store has neither.
std::string ReportBytes(reportcli::TReportOptions options, const std::filesystem::path& folder) {
    std::ostringstream err;
    std::FILE* tables = std::tmpfile();
    const int tablesStatus = reportcli::RunReport(
        options, [] { return report::TDateFormat("dd.MM.yyyy"); }, Now, tables, err);
    options.CallsOut = (folder / "calls.txt").string();
    options.LinesOut = (folder / "lines.txt").string();
    options.TrunksOut = (folder / "trunks.txt").string();
    options.Tariffs = TALLYVOX_EXAMPLE_TARIFFS;
    options.CsvOuts = {{report::TViewKind::Lines, (folder / "lines.csv").string()},
                       {report::TViewKind::Destinations, (folder / "destinations.csv").string()}};
    const int exportsStatus = reportcli::RunReport(
        options, [] { return report::TDateFormat("dd.MM.yyyy"); }, Now, tables, err);
    EXPECT_EQ(tablesStatus, 0) << err.str();
    EXPECT_EQ(exportsStatus, 0) << err.str();
    std::string bytes(static_cast<std::size_t>(std::ftell(tables)), '\0');
    std::rewind(tables);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), tables), bytes.size());
    std::fclose(tables);
    bytes.erase(0, bytes.find('\n'));
    for (const char* name :
         {"calls.txt", "lines.txt", "trunks.txt", "lines.csv", "destinations.csv"}) {
        bytes += testkit::FileContents(folder / name);
    }
    return bytes;
}

reportcli::TReportOptions PeriodOptions(const std::string& from, const std::string& to) {
    reportcli::TReportOptions options;
    options.From = report::ParseDateTime(from);
    options.To = report::ParseDateTime(to, true);
    return options;
}

struct TForwardCase {
    TInsertMode Mode;
    std::size_t BatchRows;
};

void PrintTo(const TForwardCase& forward, std::ostream* out) {
    *out << (forward.Mode == TInsertMode::Copy ? "copy" : "insert") << ", batches of "
         << forward.BatchRows;
}

class ForwardTest : public testing::TestWithParam<TForwardCase> {};

// A file forwarded in parts (a line still being written is left for the next
// pass) gives every call once, with its fields and marks; the report of a period
// from the store is the report of the file for that period, byte for byte.
TEST_P(ForwardTest, EveryCallOnceAndTheReportOfTheFile) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const TForwardCase& forward = GetParam();
    const std::string url =
        testkit::FreshDatabase("forward_" + std::to_string(static_cast<int>(forward.Mode)) + "_" +
                               std::to_string(forward.BatchRows));
    TTempDir dir;
    const auto file = dir.Path() / "calls.txt";
    std::vector<std::string> lines = testkit::GeneratedCallLines(7, 1200, November);
    lines.push_back("07*05*2004 09:04:06   00*00*45   123(    )       5                     ");
    const std::string text = testkit::CallFileText(lines);
    const std::size_t cut = text.size() - 30; // inside the last line
    testkit::AppendToFile(file, text.substr(0, cut));

    TForwarder forwarder({url, "kiev", file.string(), "", forward.BatchRows, forward.Mode});
    forwarder.SetSerialNumber("A-1234");
    EXPECT_EQ(forwarder.SendPending(), lines.size() - 1);
    testkit::AppendToFile(file, text.substr(cut));
    EXPECT_EQ(forwarder.SendPending(), 1u);
    EXPECT_EQ(forwarder.SendPending(), 0u);
    EXPECT_EQ(ReadSpoolState(file.string() + ".store").Delivered, text.size());
    ExpectEveryCallOnce(url, lines.size());

    TPgConnection connection(url);
    const TRow row = connection
                         .Query("SELECT serial_number, start_at, duration_seconds, hardware_line, "
                                "program_number, trunk, dialled_number, date_suspicious, "
                                "start_suspicious, duration_suspicious FROM tallyvox_calls "
                                "ORDER BY id DESC LIMIT 1")
                         .at(0);
    EXPECT_EQ(row,
              (TRow{"A-1234", "2004-05-07 09:04:06", "45", "123", "", "5", "", "t", "f", "t"}));

    reportcli::TReportOptions fromFile = PeriodOptions("2026-11-01", "2026-11-25 12:00");
    fromFile.CallFile = file.string();
    reportcli::TReportOptions fromStore = PeriodOptions("2026-11-01", "2026-11-25 12:00");
    fromStore.Store = url;
    fromStore.Sites = {"kiev"};
    TTempDir fileOut;
    TTempDir storeOut;
    const std::string expected = ReportBytes(fromFile, fileOut.Path());
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 500);
    EXPECT_EQ(ReportBytes(fromStore, storeOut.Path()), expected);
}

INSTANTIATE_TEST_SUITE_P(BatchesAndModes, ForwardTest,
                         testing::Values(TForwardCase{TInsertMode::Copy, 500},
                                         TForwardCase{TInsertMode::Insert, 500},
                                         TForwardCase{TInsertMode::Copy, 7}),
                         [](const testing::TestParamInfo<TForwardCase>& info) {
                             return std::string(info.param.Mode == TInsertMode::Copy ? "Copy"
                                                                                     : "Insert") +
                                    std::to_string(info.param.BatchRows);
                         });

// The server stopped while calls keep arriving, and started again: the capture
// side is never held up, the failure is said once, and every call lands once.
TEST(StoreForwardingTest, ServerStoppedAndStartedAgainEveryCallOnce) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("restart");
    TTempDir dir;
    const auto file = dir.Path() / "calls.txt";
    const std::vector<std::string> lines = testkit::GeneratedCallLines(11, 3000, November);
    std::mutex logMutex;
    std::vector<std::pair<TLogLevel, std::string>> log;
    TStoreForwarding forwarding({url, "kiev", file.string(), "", 100, TInsertMode::Copy},
                                [&](TLogLevel level, const std::string& message) {
                                    std::lock_guard lock(logMutex);
                                    log.emplace_back(level, message);
                                },
                                {20ms, 200ms, 50ms});
    testkit::AppendToFile(file, "");
    forwarding.Start();
    auto append = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; i += 50) {
            const auto began = std::chrono::steady_clock::now();
            std::string block;
            for (std::size_t j = i; j < std::min(to, i + 50); ++j) {
                block += lines[j] + "\r\n";
            }
            testkit::AppendToFile(file, block);
            forwarding.Notify();
            EXPECT_LT(std::chrono::steady_clock::now() - began, 100ms);
        }
    };
    append(0, 1000);
    ASSERT_TRUE(testkit::WaitUntil([&] { return forwarding.Sent() >= 200; }, 30s));
    testkit::ControlStoreServer("pause");
    append(1000, 2000);
    testkit::ControlStoreServer("resume");
    append(2000, lines.size());
    ASSERT_TRUE(testkit::WaitUntil(
        [&] {
            return ReadSpoolState(file.string() + ".store").Delivered ==
                   std::filesystem::file_size(file);
        },
        60s));
    forwarding.Stop();
    ExpectEveryCallOnce(url, lines.size());
    std::lock_guard lock(logMutex);
    const auto warnings = std::count_if(log.begin(), log.end(), [](const auto& entry) {
        return entry.first == TLogLevel::Warning;
    });
    EXPECT_EQ(warnings, 1) << "one message per change of state, not per attempt";
    EXPECT_EQ(log.size(), 3u); // delivering, failing, delivering again
}

// A forwarder killed after a commit and before its mark moved sends that batch
// again on the next start; the store keeps one row per call. A mark that is
// lost altogether sends the whole file again, just as harmlessly.
TEST(StoreForwardingTest, KilledBetweenCommitAndMarkNoDuplicate) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("killed");
    TTempDir dir;
    const auto file = dir.Path() / "calls.txt";
    const std::vector<std::string> lines = testkit::GeneratedCallLines(13, 1000, November);
    testkit::AppendToFile(file, testkit::CallFileText(lines));
    const TForwarderSettings settings{url, "kiev", file.string(), "", 100, TInsertMode::Copy};

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TForwarder forwarder(settings);
        int commits = 0;
        forwarder.AfterCommit = [&] {
            if (++commits == 3) {
                raise(SIGKILL);
            }
        };
        try {
            forwarder.SendPending();
        } catch (...) {
            _exit(1); // never back into the test runner in the child
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(Count(url, "count(*)"), "300");
    EXPECT_LT(ReadSpoolState(file.string() + ".store").Delivered, std::filesystem::file_size(file));

    EXPECT_EQ(TForwarder(settings).SendPending(), 800u); // 100 of them already there
    ExpectEveryCallOnce(url, lines.size());
    std::filesystem::remove(file.string() + ".store");
    EXPECT_EQ(TForwarder(settings).SendPending(), lines.size());
    ExpectEveryCallOnce(url, lines.size());
}

// Two sites in one store, one report over both: each site's lines and trunks
// keep their own totals (the site's name before the key), equal to its file's.
TEST(StoreReportTest, TwoSitesOneReport) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("two_sites");
    TTempDir dir;
    std::map<std::string, std::filesystem::path> files{{"kiev", dir.Path() / "kiev.txt"},
                                                       {"lviv", dir.Path() / "lviv.txt"}};
    std::uint32_t seed = 21;
    for (const auto& [site, file] : files) {
        testkit::AppendToFile(
            file, testkit::CallFileText(testkit::GeneratedCallLines(seed++, 800, November)));
        TForwarder({url, site, file.string(), "", 500, TInsertMode::Copy}).SendPending();
    }
    TPgConnection connection(url);
    const report::TCallList both = LoadStoreCalls(connection, {}, {});
    EXPECT_EQ(both.Count(), 1600u);
    const report::TLineList lines = report::BuildLineList(both);
    const report::TTrunkList trunks = report::BuildTrunkList(both);
    for (const auto& [site, file] : files) {
        const report::TCallList own = report::LoadCallFile(file.string());
        for (const report::TAL_rep& line : report::BuildLineList(own)) {
            const report::TAL_rep* found = report::FindLine(lines, site + ":" + line.HardwareLine);
            ASSERT_NE(found, nullptr) << site << " " << line.HardwareLine;
            EXPECT_EQ(static_cast<const report::TTraffic_rep&>(*found),
                      static_cast<const report::TTraffic_rep&>(line));
        }
        for (const report::TSL_rep& trunk : report::BuildTrunkList(own)) {
            const report::TSL_rep* found = report::FindTrunk(trunks, site + ":" + trunk.Trunk);
            ASSERT_NE(found, nullptr) << site << " " << trunk.Trunk;
            EXPECT_EQ(static_cast<const report::TTraffic_rep&>(*found),
                      static_cast<const report::TTraffic_rep&>(trunk));
        }
    }
    EXPECT_EQ(LoadStoreCalls(connection, {"lviv"}, {}).Count(), 800u);
}

// A store whose tables another version made is refused with the reason, before
// anything is written to it.
TEST(StoreSchemaTest, AnIncompatibleStoreIsRefusedClearly) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("schema");
    TPgConnection connection(url);
    PrepareSchema(connection);
    PrepareSchema(connection); // a second connect finds its own tables
    connection.Execute("UPDATE tallyvox_schema SET version = 5");
    try {
        PrepareSchema(connection);
        FAIL() << "a store of version 5 was taken";
    } catch (const EStoreError& error) {
        EXPECT_STREQ(error.what(),
                     "the store is of schema version 5; this program knows version 4");
    }
    connection.Execute("DROP TABLE tallyvox_schema");
    EXPECT_THROW(PrepareSchema(connection), EStoreError);
    EXPECT_THROW(TPgConnection(testkit::StoreUrl("no_such_database")), EStoreError);
}

// A journal's open interval grows in the store until it ends; a period sees the
// intervals that overlap it, gaps with their reason.
TEST(StoreSchemaTest, CoverageIntervalsGrowUntilTheyEnd) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("coverage");
    TPgConnection connection(url);
    PrepareSchema(connection);
    TCoverageInterval reading{"2026-11-01 08:00:00", "", true, "A-1", 10, ""};
    const TCoverageInterval gap{
        "2026-11-01 07:00:00", "2026-11-01 08:00:00", false, "", 0, "line down"};
    StoreCoverage(connection, "kiev", {gap, reading});
    reading.End = "2026-11-02 09:00:00";
    reading.Records = 250;
    StoreCoverage(connection, "kiev", {reading});
    const auto covered = [](const TCoverageInterval& i) {
        return std::tie(i.Begin, i.End, i.Captured, i.SerialNumber, i.Records, i.Reason);
    };
    const std::vector<TCoverageInterval> found =
        CoverageOf(connection, "kiev", "2026-11-01 00:00:00", "2026-11-30 23:59:59");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(covered(found[0]), covered(gap));
    EXPECT_EQ(covered(found[1]), covered(reading));
    EXPECT_TRUE(
        CoverageOf(connection, "kiev", "2026-11-03 00:00:00", "2026-11-04 00:00:00").empty());
    EXPECT_TRUE(
        CoverageOf(connection, "lviv", "2026-11-01 00:00:00", "2026-11-30 23:59:59").empty());
}

// tallyvox-forward follows a file that another program appends to, and ends on
// SIGTERM with everything sent; its mistakes in the options are told.
TEST(ForwardProgramTest, FollowsTheFileUntilStopped) {
    for (const std::vector<std::string>& mistake : std::vector<std::vector<std::string>>{
             {"calls.txt"},
             {"--store", "x", "calls.txt"},
             {"--store", "x", "--site", "s"},
             {"--store", "x", "--site", "s", "a", "b"},
             {"--store", "x", "--site", "s", "--bad", "a"},
             {"--store", "x", "--site"},
             {"--store", "x", "--site", "\xca\xe8\xbf\xe2", "a"}}) {
        EXPECT_THROW(ParseForwardCommandLine(mistake), EForwardCommandLineError);
    }
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("program");
    TTempDir dir;
    const auto file = dir.Path() / "calls.txt";
    const std::vector<std::string> lines = testkit::GeneratedCallLines(31, 300, November);
    testkit::AppendToFile(file, testkit::CallFileText({lines.begin(), lines.begin() + 100}));
    const std::vector<std::string> arguments{TALLYVOX_FORWARD_PROGRAM,
                                             "--store",
                                             url,
                                             "--site",
                                             "kiev",
                                             "--serial",
                                             "S-9",
                                             file.string()};
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    testkit::TChildProcess program;
    ASSERT_EQ(posix_spawn(&program.Pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    EXPECT_TRUE(testkit::WaitUntil([&] { return CountSoFar(url, "count(*)") == "100"; }, 30s));
    testkit::AppendToFile(file, testkit::CallFileText({lines.begin() + 100, lines.end()}));
    EXPECT_TRUE(testkit::WaitUntil([&] { return CountSoFar(url, "count(*)") == "300"; }, 30s));
    const int status = program.Stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Count(url, "min(serial_number) || max(serial_number)"), "S-9S-9");
}

} // namespace
} // namespace tallyvox::store
