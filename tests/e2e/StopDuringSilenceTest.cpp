// Stop while a download waits on an exchange that has just fallen silent: the
// link checks and retries give way instead of running their full course, which
// on a real line takes from several seconds up to about two minutes.

#include <boost/make_shared.hpp>
#include <chrono>
#include <future>
#include <iostream>

#include "tests/e2e/LinkFixture.h"

namespace tallyvox::e2e {
namespace {

using sim::TCommandKind;
using TSteady = std::chrono::steady_clock;

// Real time, because the wait that Stop must cut is a real one. The bound is
// far below the old waits and far above a prompt stop on a loaded machine.
constexpr auto PromptStop = std::chrono::seconds(3);
constexpr auto SimWait = std::chrono::seconds(20);

class StopDuringSilenceTest : public LinkFixture {};

TEST_F(StopDuringSilenceTest, StopEndsTheWaitOnASilentLineAndKeepsTheRecordsDelivered) {
    struct TCase {
        const char* Name;
        void (*Silence)(sim::TFaults&);
        std::size_t Delivered;
        int NextRecordCommands; // sent before the silence
    };
    // Each line falls silent just after the download has selected the exchange;
    // the selection is followed by a 200 ms pause, so the switch comes first.
    const TCase cases[] = {
        {"in the link check before a next record",
         [](sim::TFaults& f) { f.SilentAfterRecords = 2; }, 2, 1},
        {"in the link checks of a record command",
         [](sim::TFaults& f) { f.Probe = sim::TProbeFault::Silent; }, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Link.reset();
        Connect(sim::SingleExchangeScenario(6, 5), boost::make_shared<TSystemClock>());
        ASSERT_EQ(Link->Identify(), 1);
        std::vector<TRecord> received;
        auto download = std::async(std::launch::async, [&] {
            return Link->Download([&](TRecord record) { received.push_back(std::move(record)); });
        });
        // Identification selected the exchange once already.
        ASSERT_TRUE(Sim().WaitForCommands(TCommandKind::Select, 2, SimWait));
        Sim().ChangeFaults(c.Silence);
        // Stop once the host is retrying its probes on the silent line.
        ASSERT_TRUE(Sim().WaitForCommands(TCommandKind::NextRecord, c.NextRecordCommands, SimWait));
        const int probes = CountOf(TCommandKind::Probe);
        EXPECT_TRUE(Sim().WaitForCommands(TCommandKind::Probe, probes + 2, SimWait));
        const auto stopped = TSteady::now();
        Link->StopRequested = true;
        const bool prompt = download.wait_for(PromptStop) == std::future_status::ready;
        const int result = download.get();
        const auto took = TSteady::now() - stopped;
        EXPECT_TRUE(prompt) << "Stop waited out the link checks";
        EXPECT_EQ(result, 3);
        std::cout << "[          ] " << c.Name << ": stopped after "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
        EXPECT_EQ(received.size(), c.Delivered);
        EXPECT_EQ(Link->DownloadEnd, TDownloadEnd::Finished);
        EXPECT_EQ(CountOf(TCommandKind::FirstRecord) + CountOf(TCommandKind::NextRecord),
                  static_cast<int>(c.Delivered))
            << "a record command after Stop";
    }
}

} // namespace
} // namespace tallyvox::e2e
