// The store as a hostile office meets it, against a real PostgreSQL server: a
// line the store cannot take among good ones, site names in Cyrillic, and a
// store that stops answering behind a connection that stays open.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "report/Period.h"
#include "store/Forwarder.h"
#include "store/Schema.h"
#include "store/SpoolState.h"
#include "store/StoreCalls.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/WaitUntil.h"
#include "tests/store/BlackHoleProxy.h"
#include "tests/store/StoreWorld.h"
#include "text/Cp1251.h"

namespace tallyvox::store {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testkit::TTempDir;

constexpr TCalendarTime November{2026, 11, 30, 18, 0, 0};

std::string Query(const std::string& url, const std::string& sql,
                  const std::vector<TParam>& params = {}) {
    TPgConnection connection(url);
    return connection.Query(sql, params).at(0).at(0);
}

// As Query, "" while the store cannot answer it; not more often than every
// tenth of a second, for waits.
std::string QuerySoFar(const std::string& url, const std::string& sql) {
    std::this_thread::sleep_for(100ms);
    try {
        return Query(url, sql);
    } catch (const EStoreError&) {
        return "";
    }
}

struct TRefusalCase {
    const char* Name;
    const char* StoreLimit; // what the store's owner added to the calls' table
    bool SetAside;
};

void PrintTo(const TRefusalCase& refusal, std::ostream* out) {
    *out << refusal.Name;
}

class RefusedLineTest : public testing::TestWithParam<TRefusalCase> {};

// A line with a 2 700-digit dialled number and one with bytes that are no text
// of the store, among good lines sent in small batches, under a serial number
// in Windows-1251 with its undefined byte: every good line is
// stored once; the long one is stored whole (its key holds a digest of the
// number), or, where the store's own limit refuses it, set aside with its bytes
// and told once; nothing is added or told again when everything is sent again.
TEST_P(RefusedLineTest, NoLineHoldsUpTheOthers) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const TRefusalCase& refusal = GetParam();
    const std::string url = testkit::FreshDatabase(refusal.SetAside ? "refused" : "fitted");
    {
        TPgConnection connection(url);
        PrepareSchema(connection);
        connection.Execute(refusal.StoreLimit);
    }
    std::vector<std::string> lines = testkit::GeneratedCallLines(51, 60, November);
    // The digits follow the line's own dialled number, or stand alone as the
    // dialled number of an incoming call.
    const std::string longLine = lines[25] + std::string(2700, '7');
    const std::string oddLine = lines[40] + std::string("1\x98\0\xff", 4);
    lines.insert(lines.begin() + 26, longLine);
    lines.insert(lines.begin() + 42, oddLine);
    TTempDir dir;
    const fs::path file = dir.Path() / "calls.txt";
    testkit::AppendToFile(file, testkit::CallFileText(lines));
    std::vector<std::string> warnings;
    for (int run = 0; run < 2; ++run) {
        fs::remove(SpoolStateFileOf(file.string())); // the second run sends everything again
        TForwarder forwarder({url, "kiev", file.string(), "", 7, TInsertMode::Copy});
        forwarder.Warn = [&](const std::string& message) { warnings.push_back(message); };
        forwarder.SetSerialNumber("S-\xc9\x98"); // as an exchange may give it, in Windows-1251
        forwarder.SendPending();
    }
    const std::size_t stored = lines.size() - (refusal.SetAside ? 1 : 0);
    EXPECT_EQ(Query(url, "SELECT count(*) FROM tallyvox_calls"), std::to_string(stored));
    EXPECT_EQ(Query(url, "SELECT count(DISTINCT raw_line) FROM tallyvox_calls"),
              std::to_string(stored));
    EXPECT_EQ(
        Query(url, "SELECT count(*) FROM tallyvox_calls WHERE raw_line = $1", {{oddLine, true}}),
        "1");
    EXPECT_EQ(Query(url,
                    "SELECT count(*) FROM tallyvox_calls WHERE raw_line = $1 AND "
                    "length(dialled_number) >= 2700",
                    {{longLine, true}}),
              refusal.SetAside ? "0" : "1");
    EXPECT_EQ(Query(url,
                    "SELECT count(*) FROM tallyvox_set_aside WHERE raw_line = $1 AND "
                    "site = 'kiev' AND reason LIKE '%short_numbers%'",
                    {{longLine, true}}),
              refusal.SetAside ? "1" : "0");
    ASSERT_EQ(warnings.size(), refusal.SetAside ? 1u : 0u);
    if (refusal.SetAside) {
        EXPECT_NE(warnings[0].find(std::to_string(longLine.size()) + " bytes"), std::string::npos)
            << warnings[0];
        EXPECT_EQ(warnings[0].find('\n'), std::string::npos) << warnings[0];
    }
}

const TRefusalCase RefusalCases[] = {
    {"StoredWhole", "SELECT 1", false},
    {"SetAsideByTheStoresOwnLimit",
     "ALTER TABLE tallyvox_calls ADD CONSTRAINT short_numbers "
     "CHECK (length(dialled_number) <= 64)",
     true},
};

INSTANTIATE_TEST_SUITE_P(Stores, RefusedLineTest, testing::ValuesIn(RefusalCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Site names are stored and read back as typed, and the report keys each site's
// lines with its name in the program's own encoding.
TEST(StoreTextTest, CyrillicSiteNamesReadBackAsTyped) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("cyrillic");
    const std::vector<std::string> lines = testkit::GeneratedCallLines(52, 10, November);
    TTempDir dir;
    const std::vector<std::string> sites{"Ижевск", "Київ"};
    for (const std::string& site : sites) {
        const fs::path file = dir.Path() / (std::to_string(site.size()) + ".txt");
        testkit::AppendToFile(file, testkit::CallFileText(lines));
        TForwarder({url, site, file.string(), "", 500, TInsertMode::Copy}).SendPending();
    }
    TPgConnection connection(url);
    std::vector<std::string> stored = StoreSites(connection);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, sites);
    EXPECT_EQ(Query(url, "SELECT string_agg(DISTINCT site, ',' ORDER BY site) FROM tallyvox_calls "
                         "WHERE site IN ('Ижевск', 'Київ')"),
              "Ижевск,Київ");
    const report::TCallList calls = LoadStoreCalls(connection, {"Київ"}, {});
    ASSERT_EQ(calls.Count(), lines.size());
    const report::TCallList both = LoadStoreCalls(connection, sites, {});
    ASSERT_EQ(both.Count(), 2 * lines.size());
    EXPECT_EQ(std::string(both[lines.size()].HardwareLine).rfind(text::Utf8ToCp1251("Київ:"), 0),
              0u);
}

// tallyvox-forward started before its call file exists, with a store that goes
// silent behind a proxy on loopback: the silence is told as one line within a
// minute, the store's return as one line, a stop in the middle of a statement
// ends the program within seconds, and the calls it did not send are sent once
// by a later run.
TEST(SilentStoreTest, ToldOnceAndStopEndsTheProgram) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("silent");
    testkit::TBlackHoleProxy proxy(testkit::StoreServerFolder + "/.s.PGSQL.5432");
    TTempDir dir;
    const fs::path file = dir.Path() / "calls.txt";
    const fs::path log = dir.Path() / "forward.log";
    const std::vector<std::string> lines = testkit::GeneratedCallLines(53, 300, November);
    const std::vector<std::string> arguments{
        TALLYVOX_FORWARD_PROGRAM,
        "--store",
        "host=127.0.0.1 port=" + std::to_string(proxy.PortNumber()) +
            " user=tallyvox dbname=silent connect_timeout=3",
        "--site",
        "kiev",
        "--serial",
        "S-1",
        file.string()};
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    testkit::TChildProcess program;
    ASSERT_EQ(posix_spawn(&program.Pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto logged = [&](const std::string& text) {
        const std::string all = testkit::FileContents(log);
        std::size_t count = 0;
        for (std::size_t at = all.find(text); at != std::string::npos;
             at = all.find(text, at + 1)) {
            ++count;
        }
        return count;
    };
    const std::string count = "SELECT count(*) FROM tallyvox_calls";
    ASSERT_TRUE(testkit::WaitUntil([&] { return logged("info: store: delivering") == 1; }, 30s));
    testkit::AppendToFile(file, testkit::CallFileText({lines.begin(), lines.begin() + 100}));
    ASSERT_TRUE(testkit::WaitUntil([&] { return QuerySoFar(url, count) == "100"; }, 30s));

    proxy.GoSilent();
    testkit::AppendToFile(file, testkit::CallFileText({lines.begin() + 100, lines.begin() + 200}));
    EXPECT_TRUE(testkit::WaitUntil([&] { return logged("warning: store:") == 1; }, 60s))
        << testkit::FileContents(log);
    proxy.Relay();
    EXPECT_TRUE(testkit::WaitUntil([&] { return QuerySoFar(url, count) == "200"; }, 60s));
    EXPECT_TRUE(testkit::WaitUntil([&] { return logged("info: store: delivering") == 2; }, 10s));

    proxy.GoSilent();
    testkit::AppendToFile(file, testkit::CallFileText({lines.begin() + 200, lines.end()}));
    std::this_thread::sleep_for(3s); // the program is waiting on its statement by now
    kill(program.Pid, SIGTERM);
    EXPECT_TRUE(testkit::WaitUntil(
        [&] {
            std::this_thread::sleep_for(10ms);
            return waitpid(program.Pid, nullptr, WNOHANG) == program.Pid;
        },
        15s));
    program.Pid = 0;
    EXPECT_EQ(logged("warning: store:"), 1u) << testkit::FileContents(log);
    EXPECT_EQ(logged("error"), 0u) << testkit::FileContents(log);
    EXPECT_EQ(logged("\n"), logged("tallyvox-forward: ")) << testkit::FileContents(log);

    TForwarder({testkit::StoreUrl("silent"), "kiev", file.string(), "", 500, TInsertMode::Copy})
        .SendPending();
    EXPECT_EQ(Query(url, count), "300");
    EXPECT_EQ(Query(url, "SELECT count(DISTINCT raw_line) FROM tallyvox_calls"), "300");
}

// A statement that the store holds up (a lock another session keeps) is given
// up at the forwarder's deadline; the server ends it too, so nothing of it stays
// behind, and the next pass sends every call once.
TEST(SilentStoreTest, AStatementHeldUpIsGivenUpAndLeavesNothingBehind) {
    TALLYVOX_REQUIRE_STORE_SERVER();
    const std::string url = testkit::FreshDatabase("held");
    TTempDir dir;
    const fs::path file = dir.Path() / "calls.txt";
    testkit::AppendToFile(file,
                          testkit::CallFileText(testkit::GeneratedCallLines(54, 50, November)));
    TPgConnection blocker(url);
    PrepareSchema(blocker);
    blocker.Execute("BEGIN; LOCK TABLE tallyvox_calls IN ACCESS EXCLUSIVE MODE");
    TForwarder forwarder({url, "kiev", file.string(), "", 500, TInsertMode::Copy, 2s});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(forwarder.SendPending(), EStoreError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_TRUE(testkit::WaitUntil(
        [&] {
            std::this_thread::sleep_for(100ms);
            return blocker
                       .Query("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = "
                              "'Lock' AND datname = 'held'")
                       .at(0)
                       .at(0) == "0";
        },
        30s));
    blocker.Execute("COMMIT");
    EXPECT_EQ(forwarder.SendPending(), 50u);
    EXPECT_EQ(Query(url, "SELECT count(*) FROM tallyvox_calls"), "50");
}

} // namespace
} // namespace tallyvox::store
