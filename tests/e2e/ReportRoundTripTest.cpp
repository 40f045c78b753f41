// The capture side and the report meet in the call-accounting file: records that
// the simulator sends through a real pseudo-terminal are written by the capture
// side's writer, and the report loads exactly those calls back and totals them
// to the same sums as the records themselves.

#include <map>

#include "callfile/CallFileWriter.h"
#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "report/Load.h"
#include "report/Totals.h"
#include "tests/e2e/LinkFixture.h"

namespace tallyvox::e2e {
namespace {

struct TSums {
    std::uint32_t In = 0;
    std::uint32_t Out = 0;
};

std::uint32_t Seconds(const TRecord& record) {
    return static_cast<std::uint32_t>(record.DurationHours * 3600 + record.DurationMinutes * 60 +
                                      record.DurationSeconds);
}

void Add(TSums& sums, const TRecord& record) {
    (record.DialledNumber.empty() ? sums.In : sums.Out) += Seconds(record);
}

template <class TList>
void ExpectSums(const TList& list, const std::map<std::string, TSums>& expected) {
    ASSERT_EQ(list.Count(), expected.size());
    for (const auto& [key, sums] : expected) {
        SCOPED_TRACE("key \"" + key + "\"");
        const auto* entry = list.Find(key);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->InTotalSeconds, sums.In);
        EXPECT_EQ(entry->OutTotalSeconds, sums.Out);
        EXPECT_EQ(entry->TotalSeconds, sums.In + sums.Out);
        EXPECT_EQ(report::InTrafficText(*entry),
                  report::TrafficText(sums.In / 3600, sums.In / 60 % 60, sums.In % 60));
        EXPECT_EQ(report::OutTrafficText(*entry),
                  report::TrafficText(sums.Out / 3600, sums.Out / 60 % 60, sums.Out % 60));
    }
}

class ReportRoundTripTest : public LinkFixture, public ::testing::WithParamInterface<int> {
protected:
    sim::TScenario Scenario() const {
        const int model = GetParam();
        return model == 2 ? sim::ComplexScenario(2, 30, 7)
                          : sim::SingleExchangeScenario(static_cast<std::uint8_t>(model), 60, 5);
    }
};

TEST_P(ReportRoundTripTest, TheReportLoadsTheCallsTheCaptureSideWrote) {
    Connect(Scenario());
    ASSERT_EQ(Link->Identify(), 1);
    const std::string fileName = "calls.txt";
    callfile::TCallFileWriter writer;
    ASSERT_EQ(writer.WriteHeader(fileName, callfile::HeaderDateLine(Link->Status.ExchangeClock),
                                 callfile::HeaderTitleLine()),
              1);
    std::vector<TRecord> records;
    Link->Download([&](TRecord record) {
        writer.AppendLine(fileName, callfile::FormatCallLine(record));
        records.push_back(std::move(record));
    });
    ASSERT_FALSE(records.empty()); // whatever arrived must come back

    const report::TCallList calls = report::LoadCallFile(fileName);
    EXPECT_EQ(calls.LineCount(), records.size() + 2);
    ASSERT_EQ(calls.Count(), records.size());
    std::map<std::string, TSums> lineSums;
    std::map<std::string, TSums> trunkSums;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TRecord& record = records[i];
        const report::TExtStr_rep& call = calls[i];
        SCOPED_TRACE(callfile::FormatCallLine(record));
        EXPECT_EQ(call.Start, (report::TDateTime{static_cast<std::uint16_t>(record.Year),
                                                 static_cast<std::uint8_t>(record.Month),
                                                 static_cast<std::uint8_t>(record.Day),
                                                 static_cast<std::uint8_t>(record.StartHour),
                                                 static_cast<std::uint8_t>(record.StartMinute),
                                                 static_cast<std::uint8_t>(record.StartSecond)}));
        EXPECT_EQ(static_cast<std::uint32_t>(call.TotalSeconds), Seconds(record));
        EXPECT_EQ(call.HardwareLine, std::to_string(record.HardwareLine));
        EXPECT_EQ(call.ProgramNumber, record.ProgramNumber == "-1" ? "" : record.ProgramNumber);
        EXPECT_EQ(call.Trunk, record.Trunk);
        EXPECT_EQ(call.DialledNumber, record.DialledNumber);
        Add(lineSums[std::to_string(record.HardwareLine)], record);
        Add(trunkSums[record.Trunk], record);
    }
    ExpectSums(report::BuildLineList(calls), lineSums);
    ExpectSums(report::BuildTrunkList(calls), trunkSums);
}

// Model codes: 3 "C" (no trunks), 5 "Polar-C", 6 "Arden-L1", 7 "Polar-A", 9
// "Tinkle", and 2 for a complex of two exchanges.
INSTANTIATE_TEST_SUITE_P(Models, ReportRoundTripTest, ::testing::Values(3, 5, 6, 7, 9, 2));

} // namespace
} // namespace tallyvox::e2e
