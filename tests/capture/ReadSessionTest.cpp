// A read session against the simulator on a real pseudo-terminal, into a real
// call file: how each kind of read ends, what stays in the file, and Stop.

#include "capture/ReadSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <boost/make_shared.hpp>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "capture/SessionMessages.h"
#include "exchange/LinkMessages.h"
#include "model/FilePath.h"
#include "tests/kit/EmptyEndings.h"
#include "tests/kit/GearedClock.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::capture {
namespace {

using namespace std::chrono_literals;

constexpr auto WaitLimit = 60s;

// Protocol time at real speed unless a case waits for silence; a pause can be
// made to fail, as anything the download calls might, with an exception that
// is no port error.
class TFailingClock : public testkit::TGearedClock {
public:
    void Sleep(std::uint32_t ms) override {
        if (FailPauses) {
            throw std::logic_error("pause failed");
        }
        TGearedClock::Sleep(ms);
    }
    std::atomic<bool> FailPauses{false};
};

// Counts the records as the handler reports them; the passes run on another thread.
class TCountingListener : public callfile::TRecordListener {
public:
    void RecordHandled(const std::string&, int, int, std::size_t) override {
        int count = 0;
        {
            const std::lock_guard lock(Mutex);
            count = ++Count;
        }
        Changed.notify_all();
        if (OnRecord) {
            OnRecord(count);
        }
    }
    bool WaitFor(int count) {
        std::unique_lock lock(Mutex);
        return Changed.wait_for(lock, WaitLimit, [&] { return Count >= count; });
    }
    std::function<void(int)> OnRecord;

private:
    std::mutex Mutex;
    std::condition_variable Changed;
    int Count = 0;
};

class TPassLog : public TPassListener {
public:
    void PassEnded(TDownloadEnd end, TSteadyTime) override { Ends.push_back(end); }
    std::vector<TDownloadEnd> Ends;
};

sim::TCall LaterCall(std::uint16_t line) {
    sim::TCall call;
    call.DurationSeconds = 30;
    call.HardwareLine = line;
    call.DirectoryNumber = std::to_string(line);
    call.TrunkCode = 1;
    call.Dialled = "5550101";
    return call;
}

// One read's world: the simulator of the scenario on COM1, the exchange object
// with the session's port opened, a handler writing into calls.txt of the
// current folder.
struct TReadWorld {
    explicit TReadWorld(const sim::TScenario& scenario) : Sim(scenario) {
        LowLevel->PortName = Sim.MapPort(1);
        LowLevel->TariffFileName = TextOfFilePath(std::filesystem::current_path() / "calls.txt");
        EXPECT_EQ(Session.Open(), TLowLevel::PortOpened);
    }

    // A read as the window starts one, after a read that left its flags and
    // counts behind.
    void Begin(TReadMode mode) {
        LowLevel->StopRequested = true;
        LowLevel->RejectedCount = 7;
        LowLevel->UncheckedCount = 2;
        Session.Prepare(mode);
        ASSERT_EQ(Session.Identify(), TLowLevel::IdentifyDone);
        Session.WriteHeader();
    }

    std::size_t FileLines() const {
        const std::string bytes = testkit::FileContents(FilePathOfText(LowLevel->TariffFileName));
        return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    }

    boost::shared_ptr<TFailingClock> Clock = boost::make_shared<TFailingClock>();
    boost::shared_ptr<testkit::TRecordingNotifier> Notifier =
        boost::make_shared<testkit::TRecordingNotifier>();
    testkit::TSimHarness Sim;
    // Declared after the simulator: the port closes before it goes.
    boost::shared_ptr<TLowLevel> LowLevel = boost::make_shared<TLowLevel>(Clock, Notifier);
    TCountingListener Records;
    callfile::TRecordHandler Handler{LowLevel, &Records};
    TReadSession Session{LowLevel, Handler};
};

// Every read runs against an exchange that ends its records with a short reply
// and against one that ends them by leaving the link check unanswered.
class ReadSessionTest : public testing::TestWithParam<sim::TEmptyEnding> {
protected:
    sim::TScenario Arden(int calls) const {
        sim::TScenario scenario = sim::SingleExchangeScenario(6, calls);
        scenario.EmptyEnding = GetParam();
        return scenario;
    }

    testkit::TTempDir Folder;
    testkit::TCurrentDir InFolder{Folder.Path()};
};

// Every way the passes end: the result names it, a person gets a Russian text
// where the read broke off, and every record handled is in the file.
TEST_P(ReadSessionTest, EachEndingIsReportedAndKeepsEveryLineRead) {
    struct TCase {
        const char* Name;
        TReadMode Mode;
        std::function<void(sim::TFaults&)> Faults;
        int FailPausesAfterRecords; // -1: pauses never fail
        TSessionEnd End;
        TDownloadEnd LastPass;
        std::string Error;
        std::size_t Calls;
    };
    const std::vector<TCase> cases = {
        {"the buffer runs empty", TReadMode::Once, [](sim::TFaults&) {}, -1, TSessionEnd::Ended,
         TDownloadEnd::Finished, "", 4},
        {"the exchange falls silent", TReadMode::Once,
         [](sim::TFaults& f) { f.SilentAfterRecords = 2; }, -1, TSessionEnd::Ended,
         TDownloadEnd::LinkLost, "", 2},
        {"the selection is refused", TReadMode::Once,
         [](sim::TFaults& f) { f.SelectionsAccepted = 1; }, -1, TSessionEnd::Ended,
         TDownloadEnd::SelectionRefused, "", 0},
        {"the line goes away", TReadMode::Continuous,
         [](sim::TFaults& f) { f.HangUpAfterRecords = 3; }, -1, TSessionEnd::PortFailed,
         TDownloadEnd::Finished, messages::LinkBroken(), 3},
        {"something else fails", TReadMode::Continuous, [](sim::TFaults&) {}, 4,
         TSessionEnd::Failed, TDownloadEnd::Finished, messages::ReadFailed(), 4},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove(Folder.Path() / "calls.txt");
        TReadWorld world(Arden(4));
        world.Sim.Sim().ChangeFaults(c.Faults);
        const int silentAfter = world.Sim.Sim().Faults().SilentAfterRecords;
        world.Records.OnRecord = [&](int count) {
            world.Clock->FailPauses = count == c.FailPausesAfterRecords;
            // Either the exchange falls silent, or it may end its buffer so.
            if (count == silentAfter || count == static_cast<int>(c.Calls)) {
                world.Clock->SetSpeedup(10); // the waits for the silent line run short
            }
        };
        world.Begin(c.Mode);
        EXPECT_EQ(world.LowLevel->RejectedCount, 0);
        EXPECT_EQ(world.LowLevel->UncheckedCount, 0);

        TPassLog passes;
        const TSessionResult result = world.Session.Run(&passes);

        EXPECT_EQ(result.End, c.End);
        EXPECT_EQ(result.LastPass, c.LastPass);
        EXPECT_EQ(result.Error, c.Error);
        if (c.End == TSessionEnd::Failed) {
            EXPECT_EQ(result.Detail, "pause failed");
        }
        // A single pass is told only when it did not finish.
        const std::vector<TDownloadEnd> told = c.LastPass == TDownloadEnd::Finished
                                                   ? std::vector<TDownloadEnd>{}
                                                   : std::vector<TDownloadEnd>{c.LastPass};
        EXPECT_EQ(passes.Ends, told);
        EXPECT_EQ(world.FileLines(), 2 + c.Calls);
        EXPECT_EQ(world.Sim.Sim().SentRecords().size(), c.Calls);
    }
}

// Continuous passes pick up calls that arrive later, under one header, until
// Stop; the record in hand is finished first.
TEST_P(ReadSessionTest, ContinuousPassesRunUntilStop) {
    TReadWorld world(Arden(3));
    // Every pass may end with a link check left unanswered.
    world.Clock->SetSpeedup(10);
    world.Begin(TReadMode::Continuous);
    TSessionResult result;
    std::thread passes([&] { result = world.Session.Run(nullptr); });

    const bool allRead =
        world.Records.WaitFor(3) &&
        world.Sim.Sim().WaitForCommands(sim::TCommandKind::FirstRecord, 3, WaitLimit);
    world.Sim.Sim().AddCall(0, LaterCall(201));
    world.Sim.Sim().AddCall(0, LaterCall(202));
    const bool laterRead = allRead && world.Records.WaitFor(5);
    world.LowLevel->StopRequested = true;
    passes.join();

    ASSERT_TRUE(laterRead);
    EXPECT_EQ(result.End, TSessionEnd::Stopped);
    EXPECT_TRUE(result.Error.empty());
    EXPECT_EQ(world.FileLines(), 2u + 5u);
    EXPECT_EQ(world.Sim.Sim().SentRecords().size(), 5u);
}

// No header is wanted: nothing is written before the first call.
TEST_P(ReadSessionTest, WithoutTheHeaderOptionOnlyCallsAreWritten) {
    TReadWorld world(Arden(2));
    world.Clock->SetSpeedup(10);
    world.LowLevel->SaveHeader = false;
    world.Session.Prepare(TReadMode::Once);
    ASSERT_EQ(world.Session.Identify(), TLowLevel::IdentifyDone);
    EXPECT_FALSE(world.Session.WriteHeader());
    EXPECT_EQ(world.Session.Run(nullptr).End, TSessionEnd::Ended);
    EXPECT_EQ(world.FileLines(), 2u);
}

INSTANTIATE_TEST_SUITE_P(EmptyEndings, ReadSessionTest, testkit::BothEmptyEndings(),
                         testkit::EmptyEndingName);

} // namespace
} // namespace tallyvox::capture
