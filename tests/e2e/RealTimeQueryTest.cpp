// The real-time state query through a real pseudo-terminal.

#include "tests/e2e/LinkFixture.h"
#include "text/Cp1251.h"

namespace tallyvox::e2e {
namespace {

using sim::TCommandKind;
using sim::TScenario;

TScenario ArdenShowing(std::vector<std::uint8_t> payload) {
    TScenario scenario = sim::SingleExchangeScenario(6, 0);
    scenario.Key = 0x21;
    scenario.RealTime.Payload = std::move(payload);
    return scenario;
}

class RealTimeQueryTest : public LinkFixture {
protected:
    void ConnectAndIdentify(const TScenario& scenario) {
        Connect(scenario);
        ASSERT_EQ(Link->Identify(), 1);
    }

    std::vector<std::string> Lines() const {
        return {Link->RealTimeLines.begin(), Link->RealTimeLines.begin() + Link->RealTimeLineCount};
    }
};

TEST_F(RealTimeQueryTest, AnArdenLineOffTheHookAndABusyTrunkMakeOneLine) {
    ConnectAndIdentify(ArdenShowing({0x02, 0x44, 0x05, 0x00, 0x46, 0x01, 0x03, 0x00}));
    EXPECT_EQ(Link->QueryRealTime(), 1);
    EXPECT_EQ(Lines(), std::vector<std::string>{text::Utf8ToCp1251("АЛ205(0)   СЛ202(3)   ")});

    const auto commands = CommandsBesideProbes();
    ASSERT_EQ(commands.back().Kind, TCommandKind::RealTime);
    const std::uint8_t combined = 0xFF ^ 0x21;
    EXPECT_EQ(commands.back().Bytes, (TBytes{0xF0, 0x01, 0x01, combined, combined}));
}

TEST_F(RealTimeQueryTest, EachGroupIsALineAndAnEmptyReplyClearsThem) {
    ConnectAndIdentify(ArdenShowing({0x01, 0x44, 0x00, 0x01, 0x01, 0x41, 0x02, 0x00, 0x00}));
    EXPECT_EQ(Link->QueryRealTime(), 1);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{text::Utf8ToCp1251("АЛ200(1)   "), "???202(0)   "}));
    Link.reset();

    ConnectAndIdentify(ArdenShowing({}));
    Link->RealTimeLineCount = 3;
    EXPECT_EQ(Link->QueryRealTime(), 1);
    EXPECT_EQ(Link->RealTimeLineCount, 0);
}

TEST_F(RealTimeQueryTest, WithoutALinkNothingIsSentAndTheLinesStay) {
    TScenario scenario = ArdenShowing({0x01, 0x44, 0x05, 0x00, 0x00});
    ConnectAndIdentify(scenario);
    ASSERT_EQ(Link->QueryRealTime(), 1);
    Sim().ChangeFaults([](sim::TFaults& faults) { faults.Probe = sim::TProbeFault::Silent; });
    EXPECT_EQ(Link->QueryRealTime(), -1);
    EXPECT_EQ(CountOf(TCommandKind::RealTime), 1);
    EXPECT_EQ(Lines(), std::vector<std::string>{text::Utf8ToCp1251("АЛ205(0)   ")});
}

TEST_F(RealTimeQueryTest, AClosedPortIsMinusTwo) {
    ConnectAndIdentify(ArdenShowing({0x00}));
    Link->Port->Close();
    EXPECT_EQ(Link->QueryRealTime(), -2);
}

} // namespace
} // namespace tallyvox::e2e
