// The protocol operations against a hand-driven exchange on a raw
// pseudo-terminal: frames cut short, checksums that keep failing, silence.

#include <algorithm>
#include <array>
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "exchange/LowLevel.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/ScriptedExchange.h"
#include "tests/kit/TempDir.h"

namespace tallyvox {
namespace {

using testkit::TScriptedExchange;
using TBytes = std::vector<std::uint8_t>;

constexpr std::uint8_t Key = 0x5A;

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Link.OpenPort(Exchange.DevicePath()), 1);
        Link.Status.Key = Key;
    }

    int CountOf(std::uint8_t command) const {
        const auto commands = Exchange.Commands();
        return static_cast<int>(std::count_if(commands.begin(), commands.end(),
                                              [&](const TBytes& c) { return c[0] == command; }));
    }

    testkit::TTempDir Folder;
    testkit::TCurrentDir InFolder{Folder.Path()};
    TScriptedExchange Exchange;
    boost::shared_ptr<testkit::TRecordingNotifier> Notifier =
        boost::make_shared<testkit::TRecordingNotifier>();
    TLowLevel Link{boost::make_shared<TScaledClock>(20.0), Notifier};
    std::array<std::uint8_t, 255> Reply{};
    int Length = 0;
};

TEST_F(ProtocolTest, OpenPortOnAnOpenPortDoesNothingAndAMissingDeviceFails) {
    EXPECT_EQ(Link.OpenPort("/nonexistent/tallyvox-port"), -2);
    Link.Port->Close();
    EXPECT_EQ(Link.OpenPort("/nonexistent/tallyvox-port"), -1);
    EXPECT_FALSE(Link.Port->IsOpen());
}

TEST_F(ProtocolTest, AProbeIsFiveRoundsOfZeroAnsweredByZero) {
    EXPECT_EQ(Link.Probe(), 1);
    EXPECT_EQ(Exchange.Received(), TBytes(5, 0x00));
}

TEST_F(ProtocolTest, AWrongOrMissingProbeAnswerFailsAtOnce) {
    Exchange.AnswerProbesWith(0x01);
    EXPECT_EQ(Link.Probe(), -1);
    EXPECT_EQ(Exchange.Received().size(), 1u);
    Exchange.AnswerProbesWith(-1);
    EXPECT_EQ(Link.Probe(), -1);
    EXPECT_EQ(Exchange.Received().size(), 2u);
}

TEST_F(ProtocolTest, ProbeWithRetriesGivesUpAfterElevenProbes) {
    Exchange.AnswerProbesWith(0x01);
    EXPECT_EQ(Link.ProbeWithRetries(), -1);
    EXPECT_EQ(Exchange.Received(), TBytes(11, 0x00));
}

TEST_F(ProtocolTest, TransactSendsTheCommandAfterTheLinkCheckAndReturnsThePayloadInTheClear) {
    Exchange.Queue(0x02, TScriptedExchange::Frame({1, 2, 3, 0xFF}, Key));
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x02, true, TLowLevel::SendCommandOnly), 1);
    EXPECT_EQ(Length, 4);
    EXPECT_EQ(TBytes(Reply.begin(), Reply.begin() + 4), (TBytes{1, 2, 3, 0xFF}));
    TBytes expected(5, 0x00);
    expected.push_back(0x02);
    EXPECT_EQ(Exchange.Received(), expected);
}

TEST_F(ProtocolTest, TransactWithAPayloadSendsPrefixCountCombinedBytesAndTheirSum) {
    Exchange.Queue(0xF0, TScriptedExchange::Frame({}, Key));
    const std::uint8_t payload = 0xFF;
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0xF0, true, TLowLevel::SendWithPayload, &payload,
                            1, 0x01),
              1);
    EXPECT_EQ(Length, 0);
    ASSERT_EQ(Exchange.Commands().size(), 1u);
    EXPECT_EQ(Exchange.Commands()[0], (TBytes{0xF0, 0x01, 0x01, 0xFF ^ Key, 0xFF ^ Key}));
}

// The exchange repeats the frame body by itself after a wrong checksum.
TBytes RepeatedBody(const TBytes& clear, int wrongTimes) {
    TBytes reply{static_cast<std::uint8_t>(clear.size())};
    for (int i = 0; i <= wrongTimes; ++i) {
        TBytes frame = TScriptedExchange::Frame(clear, Key, i < wrongTimes ? 1 : 0);
        reply.insert(reply.end(), frame.begin() + 1, frame.end());
    }
    return reply;
}

TEST_F(ProtocolTest, AChecksumWrongTenTimesIsReadAgainUntilItMatches) {
    Exchange.Queue(0x02, RepeatedBody({7, 8, 9}, 10));
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x02, true, TLowLevel::SendCommandOnly), 1);
    EXPECT_EQ(Length, 3);
    EXPECT_EQ(TBytes(Reply.begin(), Reply.begin() + 3), (TBytes{7, 8, 9}));
    EXPECT_EQ(CountOf(0x02), 1); // nothing is sent again
}

TEST_F(ProtocolTest, AChecksumWrongElevenTimesIsReportedWithTheBodyAsLastRead) {
    Exchange.Queue(0x02, RepeatedBody({7, 8, 9}, 11));
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x02, true, TLowLevel::SendCommandOnly),
              TLowLevel::TransactChecksumWrong);
    EXPECT_EQ(Length, 3);
    EXPECT_EQ(TBytes(Reply.begin(), Reply.begin() + 3), (TBytes{7, 8, 9}));
}

TEST_F(ProtocolTest, WithoutVerificationAWrongChecksumIsTakenAsReceived) {
    Exchange.Queue(0x03, TScriptedExchange::Frame({4, 5}, Key, 1));
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x03, false, TLowLevel::SendCommandOnly), 1);
    EXPECT_EQ(TBytes(Reply.begin(), Reply.begin() + 2), (TBytes{4, 5}));
}

TEST_F(ProtocolTest, NoLengthByteIsAReplyOfLengthMinusOne) {
    Length = 0;
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x02, true, TLowLevel::SendCommandOnly), 1);
    EXPECT_EQ(Length, -1);
}

TEST_F(ProtocolTest, AFrameCutShortFailsTheCommand) {
    TBytes cut = TScriptedExchange::Frame({1, 2, 3, 4}, Key);
    cut.resize(3); // length and two of four bytes
    Exchange.Queue(0x03, cut);
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x03, false, TLowLevel::SendCommandOnly), -1);
    EXPECT_EQ(Length, 4);
}

TEST_F(ProtocolTest, TransactWithoutALinkSendsNoCommandAndLeavesTheLengthAlone) {
    Exchange.AnswerProbesWith(-1);
    Length = 0;
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x02, true, TLowLevel::SendCommandOnly), -2);
    EXPECT_EQ(Length, 0);
    EXPECT_TRUE(Exchange.Commands().empty());
    EXPECT_EQ(Exchange.Received(), TBytes(33, 0x00)); // three times eleven probes
}

TEST_F(ProtocolTest, APortErrorInsideTransactIsItsResultMinusOne) {
    Link.Port->Close();
    EXPECT_EQ(Link.Transact(Reply.data(), Length, 0x02, true, TLowLevel::SendCommandOnly), -1);
}

TBytes IdentificationReply(const TBytes& clear, std::uint8_t key) {
    TBytes reply{static_cast<std::uint8_t>(clear.size())};
    for (std::size_t i = 0; i < clear.size(); ++i) {
        reply.push_back(i == 11 ? key : clear[i] ^ key);
    }
    return reply;
}

TEST_F(ProtocolTest, AnIdentificationReplyShorterThanItsLayoutReadsZerosBeyondItsEnd) {
    // Date, time, a spare byte and model code 6: nothing of version, key or serial number.
    Exchange.Queue(0x01, TBytes{6, 0x10, 0x27, 0x58, 0x02, 0x00, 0x06});
    Exchange.Queue(0x40, TScriptedExchange::Frame({0xE8, 0x03, 12, 0, 2, 0}, 0));
    Link.Status.Version = "old";
    EXPECT_EQ(Link.Identify(), 1);
    EXPECT_EQ(Link.Status.ModelName, "Arden-L1");
    EXPECT_EQ(Link.Status.Key, 0);
    EXPECT_EQ(Link.Status.Version, "00,0");
    EXPECT_EQ(Link.Status.SerialNumber, "0");
    EXPECT_EQ(Link.Status.TimeUnit, 6);
    EXPECT_EQ(Link.Status.ExchangeClock.Year, 2007); // day 10000
    EXPECT_EQ(Link.Status.ExchangeClock.Hour, 1);
    EXPECT_EQ(Link.Status.BufferCapacity, 1000);
    EXPECT_EQ(Link.Status.BufferFill, 10);
}

TBytes ArdenIdentification() {
    TBytes clear(16, 0);
    clear[5] = 4; // Arden-S
    clear[7] = 2;
    clear[6] = 0x15;
    return IdentificationReply(clear, Key);
}

TEST_F(ProtocolTest, NoIdentificationReplyIsMinusTwo) {
    EXPECT_EQ(Link.Identify(), -2);
    EXPECT_EQ(Link.ExchangeCount, 0);
    EXPECT_FALSE(Link.IsComplex);
}

TEST_F(ProtocolTest, AStatusAttemptCutShortIsFollowedByTheNextAttempt) {
    Exchange.Queue(0x01, ArdenIdentification());
    TBytes cut = TScriptedExchange::Frame({0xD0, 0x07, 5, 0, 1, 0}, Key);
    cut.resize(3);
    Exchange.Queue(0x40, cut);
    Exchange.Queue(0x40, TScriptedExchange::Frame({0xD0, 0x07, 5, 0, 1, 0}, Key));
    EXPECT_EQ(Link.Identify(), 1);
    EXPECT_EQ(Link.Status.Version, "21,5");
    EXPECT_EQ(Link.Status.BufferCapacity, 2000);
    EXPECT_EQ(Link.Status.BufferFill, 4);
    EXPECT_EQ(CountOf(0x40), 2);
}

// More records sent than written (the second word below the third) is a negative
// fill, not a huge one, and nothing to warn about.
TEST_F(ProtocolTest, AFillWordBelowTheSentWordCountsNegative) {
    Exchange.Queue(0x01, ArdenIdentification());
    Exchange.Queue(0x40, TScriptedExchange::Frame({0xE8, 0x03, 10, 0, 15, 0}, Key));
    EXPECT_EQ(Link.Identify(), 1);
    EXPECT_EQ(Link.Status.BufferCapacity, 1000);
    EXPECT_EQ(Link.Status.BufferFill, -5);
    EXPECT_TRUE(Notifier->Messages.empty());
}

TEST_F(ProtocolTest, ElevenSilentStatusAttemptsAreMinusFive) {
    Exchange.Queue(0x01, ArdenIdentification());
    EXPECT_EQ(Link.Identify(), -5);
    EXPECT_EQ(CountOf(0x40), 11);
    EXPECT_EQ(CountOf(0x84), 1);
}

TBytes CutShort(const TBytes& frame, std::size_t keep) {
    return TBytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(keep));
}

// A record reply cut short fails its command with a length of one or more, so the
// command is repeated at once, five times in all.
TEST_F(ProtocolTest, ARecordReplyCutShortIsAskedForAgainWithinFiveAttempts) {
    Link.ExchangeCount = 1;
    const TBytes record = TScriptedExchange::Frame(TBytes(12, 0x01), Key);
    for (int i = 0; i < 4; ++i) {
        Exchange.Queue(0x02, CutShort(record, 5));
    }
    Exchange.Queue(0x02, record);
    Exchange.Queue(0x03, TScriptedExchange::Frame({0x00}, Key)); // the end of the buffer
    int delivered = 0;
    EXPECT_EQ(Link.Download([&](TRecord) { ++delivered; }), -1);
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(CountOf(0x02), 5);
    EXPECT_EQ(CountOf(0x03), 1);
}

TEST_F(ProtocolTest, FiveRecordRepliesCutShortEndTheDownload) {
    Link.ExchangeCount = 1;
    const TBytes record = TScriptedExchange::Frame(TBytes(12, 0x01), Key);
    for (int i = 0; i < 6; ++i) {
        Exchange.Queue(0x02, CutShort(record, 5));
    }
    int delivered = 0;
    EXPECT_EQ(Link.Download([&](TRecord) { ++delivered; }), -1);
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(CountOf(0x02), 5);
    EXPECT_EQ(CountOf(0x03), 0);
}

// Silence after the state command says nothing about the connections.
TEST_F(ProtocolTest, AStateCommandWithoutAReplyLeavesTheLinesAsTheyWere) {
    Link.Status.ModelName = "Arden-S";
    Exchange.Queue(0xF0, TScriptedExchange::Frame({0x01, 0x44, 0x05, 0x00, 0x00}, Key));
    ASSERT_EQ(Link.QueryRealTime(), 1);
    ASSERT_EQ(Link.RealTimeLineCount, 1);
    const std::string line = Link.RealTimeLines[0];

    EXPECT_EQ(Link.QueryRealTime(), 1);
    EXPECT_EQ(CountOf(0xF0), 2);
    EXPECT_EQ(Link.RealTimeLineCount, 1);
    EXPECT_EQ(Link.RealTimeLines[0], line);
}

} // namespace
} // namespace tallyvox
