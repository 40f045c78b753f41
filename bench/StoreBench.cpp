// The store's figures, printed once: forwarding a generated call file of a
// million calls into an empty store (rows per second, COPY against INSERT), and
// a period report (one month of one site) over ten million stored calls.
// bench/store_bench.sh starts a private server for it and stops it afterwards.
//
//   tallyvox_store_bench --server "host=/tmp/... user=tallyvox" [--calls N] [--stored N]

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "report/Totals.h"
#include "store/Forwarder.h"
#include "store/Schema.h"
#include "store/StoreCalls.h"
#include "tests/store/CallFiles.h"

namespace {

namespace fs = std::filesystem;
using namespace tallyvox;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string FreshDatabase(const std::string& server, const std::string& name) {
    store::TPgConnection connection(server + " dbname=postgres");
    connection.Execute("SET client_min_messages = warning");
    connection.Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    connection.Execute("CREATE DATABASE " + name);
    return server + " dbname=" + name;
}

void Forward(const std::string& server, const fs::path& file, int calls, store::TInsertMode mode,
             std::size_t batch) {
    const char* name = mode == store::TInsertMode::Copy ? "copy" : "insert";
    const std::string url = FreshDatabase(server, std::string("bench_forward_") + name);
    fs::remove(file.string() + ".store");
    store::TForwarder forwarder({url, "site00", file.string(), "", batch, mode});
    forwarder.SetSerialNumber("B-1");
    const Clock::time_point start = Clock::now();
    const std::size_t sent = forwarder.SendPending();
    const double seconds = SecondsSince(start);
    std::printf("forward %d calls, %-6s batches of %5zu: %7.1f s, %8.0f rows/s (%zu sent)\n",
                calls, name, batch, seconds, static_cast<double>(sent) / seconds, sent);
}

// stored calls of ten sites, a call every 31 seconds per site from 2025-01-01,
// with lines, trunks, numbers and durations of a busy office.
void FillStore(store::TPgConnection& connection, long stored) {
    const std::string digits = "lpad(((i * 7919) % 10000000)::text, 7, '0')";
    const std::string sql = R"(
INSERT INTO tallyvox_calls (site, serial_number, start_at, duration_seconds, hardware_line,
    program_number, trunk, dialled_number, date_suspicious, start_suspicious,
    duration_suspicious, raw_line, captured_at)
SELECT site, 'B-1', start_at, d, hw, prog, trunk, dialled, false, false, false,
    convert_to(to_char(start_at, 'DD-MM-YYYY HH24:MI:SS') || '   ' ||
        lpad((d / 3600)::text, 2, '0') || ':' || lpad((d / 60 % 60)::text, 2, '0') || ':' ||
        lpad((d % 60)::text, 2, '0') || '   ' || hw || '(' || lpad(prog, 4) || ')   ' ||
        lpad(trunk, 5) || '     ' || rpad(dialled, 21), 'UTF8'),
    now()
FROM (SELECT i, 'site' || lpad((i % 10)::text, 2, '0') AS site,
             timestamp '2025-01-01' + (i / 10) * interval '31 seconds' AS start_at,
             ((i / 10 * 13) % 600)::integer AS d, (100 + (i / 10) * 7 % 60)::text AS hw,
             (200 + (i / 10) % 60)::text AS prog, '(1)0' || (i / 10 % 8)::text AS trunk,
             CASE WHEN i / 10 % 3 = 0 THEN '' ELSE '8' || )" +
                            digits + R"( END AS dialled
      FROM generate_series(0::bigint, )" +
                            std::to_string(stored - 1) + R"() AS i) AS generated)";
    connection.Execute(sql);
    connection.Execute("ANALYZE tallyvox_calls");
}

void PeriodReport(const std::string& server, long stored) {
    const std::string url = FreshDatabase(server, "bench_period");
    store::TPgConnection connection(url);
    store::PrepareSchema(connection);
    Clock::time_point start = Clock::now();
    FillStore(connection, stored);
    const double fill = SecondsSince(start);
    std::printf("store %ld calls of 10 sites (generate_series, one INSERT): %.1f s, %.0f rows/s, "
                "table and indexes %s\n",
                stored, fill, static_cast<double>(stored) / fill,
                connection.Query("SELECT pg_size_pretty(pg_total_relation_size('tallyvox_calls'))")
                    .at(0)
                    .at(0)
                    .c_str());
    const report::TPeriod june{report::TDateTime{2025, 6, 1, 0, 0, 0},
                               report::TDateTime{2025, 6, 30, 23, 59, 59}};
    for (int run = 1; run <= 3; ++run) {
        start = Clock::now();
        const report::TCallList calls = store::LoadStoreCalls(connection, {"site03"}, june);
        const report::TLineList lines = report::BuildLineList(calls);
        const report::TTrunkList trunks = report::BuildTrunkList(calls);
        std::printf("period report, June 2025 of site03 (run %d): %zu calls, %zu lines, %zu trunks "
                    "in %.3f s\n",
                    run, calls.Count(), lines.Count(), trunks.Count(), SecondsSince(start));
    }
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    std::string server;
    int calls = 1000000;
    long stored = 10000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--server") {
            server = argv[i + 1];
        } else if (option == "--calls") {
            calls = std::stoi(argv[i + 1]);
        } else if (option == "--stored") {
            stored = std::stol(argv[i + 1]);
        }
    }
    if (server.empty()) {
        std::fprintf(stderr,
                     "usage: tallyvox_store_bench --server CONNINFO [--calls N] [--stored N]\n");
        return 2;
    }
    try {
        const fs::path file = fs::temp_directory_path() / "tallyvox-store-bench.txt";
        {
            const std::vector<std::string> lines =
                testkit::GeneratedCallLines(3, calls, {2026, 11, 30, 18, 0, 0});
            std::ofstream(file, std::ios::binary) << testkit::CallFileText(lines);
        }
        std::printf("call file: %d calls, %.1f MB\n", calls,
                    static_cast<double>(fs::file_size(file)) / 1e6);
        for (const std::size_t batch : {500, 5000}) {
            Forward(server, file, calls, store::TInsertMode::Copy, batch);
            Forward(server, file, calls, store::TInsertMode::Insert, batch);
        }
        fs::remove(file);
        fs::remove(file.string() + ".store");
        PeriodReport(server, stored);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tallyvox_store_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
