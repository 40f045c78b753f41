// The web view's dashboard and calls page on call files of a million calls,
// beside the aim of one second a page: calls up to today over about 45 years of
// a small office (this month holds a few thousand of them), and a million calls
// all in this month (the most a month's pages can meet). The file's first load and pricing, done
// once at start and again when the file grows, is printed apart. Medians of five runs, in
// milliseconds. Usage: tallyvox_web_bench [CALLS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "callfile/CallLine.h"
#include "model/Record.h"
#include "report/TariffReader.h"
#include "web/CallData.h"
#include "web/CallFilter.h"
#include "web/Dashboard.h"
#include "web/Pages.h"

namespace {

namespace fs = std::filesystem;
using namespace tallyvox;
using TClock = std::chrono::steady_clock;

constexpr double AimMs = 1000;

double Ms(TClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double MedianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto began = TClock::now();
        run();
        times.push_back(Ms(TClock::now() - began));
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

// A million calls of 40 lines by a fixed seed: outgoing to local, long-distance,
// mobile and international numbers or incoming, up to now one every 24 minutes
// (about 45 years of a small office), or with inMonth all within this month.
fs::path CallFile(int calls, const report::TDateTime& now, bool inMonth) {
    const fs::path path =
        fs::temp_directory_path() /
        ("tallyvox-web-bench-" + std::string(inMonth ? "month" : "office") + ".txt");
    static const char* const Numbers[] = {
        "", "", "2345678", "84951234567", "89161234567", "810441234567", "0123456", "112"};
    std::mt19937 random(1);
    std::lognormal_distribution<double> holding(4.5, 1.0); // median 90 s
    std::ofstream file(path, std::ios::binary);
    const std::int64_t end = report::SecondsOf(now);
    for (int i = 0; i < calls; ++i) {
        const std::int64_t seconds =
            inMonth
                ? report::SecondsOf(report::TDateTime{
                      now.Year, now.Month, static_cast<std::uint8_t>(1 + i % now.Day), 0, 0, 0}) +
                      (i / now.Day) % 86400
                : end - static_cast<std::int64_t>(calls - i) * 24 * 60;
        const report::TDateTime start = report::DateTimeOf(seconds);
        const int duration = std::min(7199, static_cast<int>(holding(random)));
        TRecord record;
        record.Year = start.Year;
        record.Month = start.Month;
        record.Day = start.Day;
        record.StartHour = start.Hour;
        record.StartMinute = start.Minute;
        record.StartSecond = start.Second;
        record.DurationHours = duration / 3600;
        record.DurationMinutes = duration / 60 % 60;
        record.DurationSeconds = duration % 60;
        record.HardwareLine = 201 + static_cast<int>(random() % 40);
        record.ProgramNumber = std::to_string(record.HardwareLine - 100);
        record.Trunk = std::to_string(1 + random() % 4);
        record.DialledNumber = Numbers[random() % std::size(Numbers)];
        file << callfile::FormatCallLine(record) << "\r\n";
    }
    return path;
}

void Measure(const char* what, const fs::path& path, const report::TTariffTable& table,
             const report::TDateTime& now) {
    web::TCallFileData data(path.string(), table);
    const auto began = TClock::now();
    const auto calls = data.Calls({});
    const double loadMs = Ms(TClock::now() - began);
    web::TUser admin;
    admin.Name = "admin";
    admin.Role = web::TRole::Admin;
    const report::TDirectory noDirectory;
    const web::TScope scope = web::TScope::Of(admin, noDirectory, false);
    std::size_t bytes = 0;
    const double dashboardMs = MedianMs([&] {
        bytes =
            web::DashboardPage({"admin", "token"},
                               web::DashboardOf(*calls, scope, data, noDirectory, now), now, true)
                .size();
    });
    std::size_t shown = 0;
    const double callsMs = MedianMs([&] {
        web::TCallsPage page;
        std::vector<std::string> faults;
        const report::TPeriod month = report::PresetPeriod(report::TPeriodPreset::ThisMonth, now);
        page.Filter.From = report::DateTimeText(*month.From).substr(0, 10);
        page.Filter.To = report::DateTimeText(*month.To).substr(0, 10);
        page.Kept = web::SelectCalls(*calls, scope, *web::ParseFilter(page.Filter, faults));
        page.Calls = calls.get();
        page.Scope = &scope;
        page.Data = &data;
        shown = page.Kept.size();
        web::CallsPage({"admin", "token"}, page);
    });
    std::printf("%s: %zu calls, %zu of them this month\n", what, calls->Calls.Count(), shown);
    std::printf("  dashboard page   %8.1f ms  (aim %.0f ms; %zu bytes)\n", dashboardMs, AimMs,
                bytes);
    std::printf("  calls page 1     %8.1f ms  (aim %.0f ms; this month, 100 rows of %zu)\n",
                callsMs, AimMs, shown);
    std::printf("  first load+price %8.1f ms  (once at start and when the file changes)\n", loadMs);
}

} // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::stoi(argv[1]) : 1000000;
    const report::TDateTime now = web::LocalNow();
    const report::TTariffTable table = report::ReadTariffFile(TALLYVOX_EXAMPLE_TARIFFS);
    for (const bool inMonth : {false, true}) {
        const fs::path path = CallFile(calls, now, inMonth);
        Measure(inMonth ? "all in this month" : "office traffic up to today", path, table, now);
        fs::remove(path);
    }
    return 0;
}
