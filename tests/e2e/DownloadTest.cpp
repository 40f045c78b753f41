// Downloads of call-record buffers through a real pseudo-terminal, with the
// simulator emptying its buffers on the other side.

#include "exchange/CommError.h"
#include "tests/e2e/LinkFixture.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/EmptyEndings.h"
#include "text/Cp1251.h"

namespace tallyvox::e2e {
namespace {

using sim::TBufferRecord;
using sim::TCall;
using sim::TCommandKind;
using sim::TScenario;

TBufferRecord CallRecord(int minute, std::uint16_t line, const char* directory, std::uint8_t trunk,
                         const char* dialled) {
    TCall call;
    call.Start = testkit::At(2004, 5, 7, 9, minute, 0);
    call.DurationSeconds = 60;
    call.HardwareLine = line;
    call.DirectoryNumber = directory;
    call.TrunkCode = trunk;
    call.Dialled = dialled;
    return {TBufferRecord::TKind::Call, call, {}};
}

TBufferRecord Erased() {
    return {TBufferRecord::TKind::Erased, {}, {}};
}

// Every download runs against an exchange that ends its records with a short
// reply and against one that ends them by leaving the link check unanswered.
class DownloadTest : public LinkFixture, public ::testing::WithParamInterface<sim::TEmptyEnding> {
protected:
    void ConnectAndIdentify(TScenario scenario) {
        scenario.EmptyEnding = GetParam();
        Connect(scenario);
        ASSERT_EQ(Link->Identify(), 1);
    }

    bool EndsByShortReply() const { return GetParam() == sim::TEmptyEnding::ShortReply; }

    // A single exchange's short reply ends the download with -1, as there is no
    // further exchange to go on with; the unanswered link check with 1.
    int SingleExchangeEnd() const { return EndsByShortReply() ? -1 : 1; }

    // The next-record commands of a buffer of n records: the short reply is
    // asked for like a record, the link check's silence is not.
    int NextRecordCommands(int records) const { return EndsByShortReply() ? records : records - 1; }

    int Download() {
        return Link->Download([this](TRecord record) { Received.push_back(std::move(record)); });
    }

    // What the callback must have received: every call record the simulator sent,
    // decoded, in the order sent.
    std::vector<TRecord> SentCalls() {
        std::vector<TRecord> calls;
        for (const sim::TSentRecord& sent : Sim().SentRecords()) {
            if (IsRecord(sent.Payload.data())) {
                calls.push_back(Link->DecodeRecord(sent.Payload.data(), sent.Payload.size()));
            }
        }
        return calls;
    }

    std::vector<int> SentExchanges() {
        std::vector<int> exchanges;
        for (const sim::TSentRecord& sent : Sim().SentRecords()) {
            exchanges.push_back(sent.Exchange);
        }
        return exchanges;
    }

    std::vector<TRecord> Received;
};

TScenario ArdenWith(std::vector<TBufferRecord> records) {
    TScenario scenario = sim::SingleExchangeScenario(6, 0);
    scenario.Exchanges[0].Records = std::move(records);
    return scenario;
}

TEST_P(DownloadTest, ErasedRecordsAmongCallsAreCountedAndEveryCallIsDeliveredOnceInOrder) {
    ConnectAndIdentify(
        ArdenWith({CallRecord(1, 5, "205", 1, "80123*#"), Erased(), CallRecord(2, 6, "206", 2, "0"),
                   Erased(), CallRecord(3, 7, "207", 3, "")}));
    EXPECT_EQ(Download(), SingleExchangeEnd());
    EXPECT_EQ(Link->RejectedCount, 2);
    ASSERT_EQ(Received.size(), 3u);
    EXPECT_EQ(Received, SentCalls());
    EXPECT_EQ(Sim().SentRecords().size(), 5u);

    const TRecord& first = Received[0];
    EXPECT_EQ(first.Year, 2004);
    EXPECT_EQ(first.Month, 5);
    EXPECT_EQ(first.Day, 7);
    EXPECT_EQ(first.StartHour, 9);
    EXPECT_EQ(first.StartMinute, 1);
    EXPECT_EQ(first.DurationMinutes, 1);
    EXPECT_EQ(first.HardwareLine, 5);
    EXPECT_EQ(first.ProgramNumber, "1205");
    EXPECT_EQ(first.Trunk, "200");
    EXPECT_EQ(first.DialledNumber, "80123*#");
    EXPECT_EQ(Received[1].HardwareLine, 6);
    EXPECT_EQ(Received[2].HardwareLine, 7);
    EXPECT_EQ(Received[2].DialledNumber, "");
    EXPECT_EQ(Sim().PendingRecords(0), 0);
}

TEST_P(DownloadTest, AGeneratedBufferArrivesRecordForRecord) {
    ConnectAndIdentify(sim::SingleExchangeScenario(4, 40, 11));
    EXPECT_EQ(Download(), SingleExchangeEnd());
    EXPECT_EQ(Received.size(), 40u);
    EXPECT_EQ(Received, SentCalls());
}

TEST_P(DownloadTest, AStopDuringTheFirstRecordDeliversItAndSendsNoFurtherRecordCommand) {
    ConnectAndIdentify(sim::SingleExchangeScenario(6, 5));
    const int result = Link->Download([this](TRecord record) {
        Received.push_back(std::move(record));
        Link->StopRequested = true;
    });
    EXPECT_EQ(result, 3);
    EXPECT_EQ(Received.size(), 1u);
    EXPECT_EQ(CountOf(TCommandKind::FirstRecord), 1);
    EXPECT_EQ(CountOf(TCommandKind::NextRecord), 0);
    EXPECT_EQ(Sim().Commands().back().Kind, TCommandKind::Probe); // the link check came first
    EXPECT_EQ(Sim().PendingRecords(0), 4);
}

TEST_P(DownloadTest, AFirstRecordWithAWrongChecksumIsReadAgainAndDeliveredOnce) {
    TScenario scenario = sim::SingleExchangeScenario(6, 3);
    scenario.Faults.FirstRecordChecksumWrong = 3;
    ConnectAndIdentify(scenario);
    EXPECT_EQ(Download(), SingleExchangeEnd());
    EXPECT_EQ(CountOf(TCommandKind::FirstRecord), 1);
    EXPECT_EQ(Received.size(), 3u);
    EXPECT_EQ(Received, SentCalls());
}

TEST_P(DownloadTest, AFirstRecordWhoseChecksumNeverMatchesIsDeliveredAsReceivedAndCounted) {
    // Twelve wrong readings outlast the re-reads; the exchange gave the record up
    // with the first of them. An erased one is not delivered, so it is only
    // rejected, not taken with a wrong checksum.
    struct TCase {
        const char* Name;
        bool FirstErased;
        int Unchecked;
        int Rejected;
    };
    for (const TCase& c : {TCase{"a call", false, 1, 0}, TCase{"an erased record", true, 0, 1}}) {
        SCOPED_TRACE(c.Name);
        Received.clear();
        Link.reset();
        TScenario scenario = sim::SingleExchangeScenario(6, 15);
        if (c.FirstErased) {
            scenario.Exchanges[0].Records = {Erased()};
        }
        scenario.Faults.FirstRecordChecksumWrong = 12;
        ConnectAndIdentify(scenario);
        EXPECT_EQ(Download(), SingleExchangeEnd());
        EXPECT_EQ(CountOf(TCommandKind::FirstRecord), 1) << "asking again would skip it";
        EXPECT_EQ(Received.size(), 15u);
        EXPECT_EQ(Received, SentCalls());
        EXPECT_EQ(Link->UncheckedCount, c.Unchecked);
        EXPECT_EQ(Link->RejectedCount, c.Rejected);
        EXPECT_EQ(Link->DownloadEnd, TDownloadEnd::Finished);
    }
}

TEST_P(DownloadTest, ADownloadTellsWhetherTheExchangeStoppedAnswering) {
    struct TCase {
        const char* Name;
        void (*Fault)(sim::TFaults&);
        std::size_t Delivered;
        bool LinkLost;
    };
    const TCase cases[] = {
        {"buffer emptied", [](sim::TFaults&) {}, 4, false},
        {"silent after two records", [](sim::TFaults& f) { f.SilentAfterRecords = 2; }, 2, true},
        {"silent from the start", [](sim::TFaults& f) { f.SilentAfterRecords = 0; }, 0, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Received.clear();
        Link.reset();
        ConnectAndIdentify(sim::SingleExchangeScenario(6, 4));
        Sim().ChangeFaults(c.Fault);
        Download();
        EXPECT_EQ(Received.size(), c.Delivered);
        EXPECT_EQ(Link->DownloadEnd == TDownloadEnd::LinkLost, c.LinkLost);
    }
}

TEST_P(DownloadTest, NextRecordsWithWrongChecksumsAreTakenAsReceived) {
    TScenario scenario = sim::SingleExchangeScenario(6, 4);
    scenario.Faults.NextRecordChecksumWrong = 2;
    ConnectAndIdentify(scenario);
    EXPECT_EQ(Download(), SingleExchangeEnd());
    EXPECT_EQ(CountOf(TCommandKind::NextRecord), NextRecordCommands(4));
    EXPECT_EQ(Received, SentCalls());
    EXPECT_EQ(Received.size(), 4u);
}

TEST_P(DownloadTest, EmptyRecordRepliesAreAskedAgain) {
    TScenario scenario = sim::SingleExchangeScenario(6, 2);
    scenario.Faults.EmptyRecordReplies = 2;
    ConnectAndIdentify(scenario);
    EXPECT_EQ(Download(), SingleExchangeEnd());
    EXPECT_EQ(CountOf(TCommandKind::FirstRecord), 3);
    EXPECT_EQ(Received.size(), 2u);
}

TEST_P(DownloadTest, AnEmptySingleExchangeEndsAtTheFirstReplyWithNothingDelivered) {
    ConnectAndIdentify(sim::SingleExchangeScenario(6, 0));
    EXPECT_EQ(Download(), -1);
    EXPECT_EQ(CountOf(TCommandKind::FirstRecord), 1);
    EXPECT_EQ(CountOf(TCommandKind::NextRecord), 0);
    EXPECT_TRUE(Received.empty());
}

TEST_P(DownloadTest, ARefusedSelectionShowsTheMessageAndSendsNoRecordCommand) {
    ConnectAndIdentify(sim::SingleExchangeScenario(6, 3));
    Sim().ChangeFaults([](sim::TFaults& faults) { faults.RefusedExchange = 0; });
    EXPECT_EQ(Download(), -1);
    const std::vector<testkit::TRecordingNotifier::TMessage> expected{
        {text::Utf8ToCp1251("Невозможно установить активную АТС"), ""}};
    EXPECT_EQ(Notifier->Messages, expected);
    EXPECT_TRUE(Notifier->Terminations.empty());
    EXPECT_EQ(Link->DownloadEnd, TDownloadEnd::SelectionRefused);
    EXPECT_EQ(CountOf(TCommandKind::FirstRecord), 0);
    EXPECT_EQ(CountOf(TCommandKind::NextRecord), 0);
    EXPECT_TRUE(Received.empty());
}

TEST_P(DownloadTest, AComplexOfThreeDeliversTheCallsOfEveryExchange) {
    ConnectAndIdentify(sim::ComplexScenario(3, 4));
    EXPECT_EQ(Download(), 1);
    EXPECT_EQ(SentExchanges(), (std::vector<int>{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}));
    EXPECT_EQ(Received.size(), 12u);
    EXPECT_EQ(Received, SentCalls());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Sim().PendingRecords(i), 0);
    }
}

TEST_P(DownloadTest, AnEmptyExchangeOfAComplexIsPassedOver) {
    TScenario scenario = sim::ComplexScenario(3, 0);
    scenario.Exchanges[0].Traffic.Count = 3;
    scenario.Exchanges[2].Traffic.Count = 2;
    ConnectAndIdentify(scenario);
    EXPECT_EQ(Download(), 1);
    EXPECT_EQ(SentExchanges(), (std::vector<int>{0, 0, 0, 2, 2}));
    EXPECT_EQ(Received, SentCalls());
}

TEST_P(DownloadTest, WithoutAnIdentifiedExchangeNothingButTheLinkCheckIsSent) {
    Connect(sim::SingleExchangeScenario(6, 3));
    EXPECT_EQ(Download(), 1);
    EXPECT_TRUE(CommandsBesideProbes().empty());
    EXPECT_TRUE(Received.empty());
}

TEST_P(DownloadTest, AnExchangeThatFallsSilentEndsTheDownloadAfterTheRecordsItSent) {
    TScenario scenario = sim::ComplexScenario(2, 3);
    scenario.Faults.SilentAfterRecords = 2;
    ConnectAndIdentify(scenario);
    Sim().SetFaults(scenario.Faults); // count the records from the download on
    EXPECT_EQ(Download(), 1);         // the failed link check ends it
    EXPECT_EQ(Received.size(), 2u);
    EXPECT_EQ(SentExchanges(), (std::vector<int>{0, 0}));
}

// The line goes away between two records: the port error reaches the caller,
// and the records already delivered stay delivered.
TEST_P(DownloadTest, ALineThatGoesAwayBetweenRecordsIsAPortErrorForTheCaller) {
    ConnectAndIdentify(sim::SingleExchangeScenario(6, 5));
    const auto download = [this] {
        return Link->Download([this](TRecord record) {
            Received.push_back(std::move(record));
            if (Received.size() == 2) {
                Sim().Stop();
            }
        });
    };
    EXPECT_THROW(download(), ECommError);
    EXPECT_EQ(Received.size(), 2u);
    EXPECT_EQ(Received, SentCalls());
}

INSTANTIATE_TEST_SUITE_P(EmptyEndings, DownloadTest, testkit::BothEmptyEndings(),
                         testkit::EmptyEndingName);

} // namespace
} // namespace tallyvox::e2e
