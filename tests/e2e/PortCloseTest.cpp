// A close of the device that reports a failure still leaves the port closed, so
// "Обновить" and the options dialog can open it again in the same run.

#include <boost/make_shared.hpp>
#include <cerrno>

#include "exchange/CommError.h"
#include "tests/e2e/LinkFixture.h"

namespace tallyvox::e2e {
namespace {

// The platform's serial channel, whose first close lets go of the device as
// usual but reports an error, as close() may after an I/O error.
class TCloseFailsOnce : public TCommBackend {
public:
    bool OpenDevice(const std::string& name) override { return Real->OpenDevice(name); }
    bool ReadLineSettings() override { return Real->ReadLineSettings(); }
    bool ApplyLineSettings(const TLineSettings& s) override { return Real->ApplyLineSettings(s); }
    bool SetupQueues(std::uint32_t r, std::uint32_t t) override { return Real->SetupQueues(r, t); }
    bool SetTimeouts(const TCommTimeouts& t) override { return Real->SetTimeouts(t); }
    bool SetModemLines() override { return Real->SetModemLines(); }
    bool CloseDevice() override {
        const bool closed = Real->CloseDevice();
        if (Failed) {
            return closed;
        }
        Failed = true;
        return false;
    }
    bool PurgeReceive() override { return Real->PurgeReceive(); }
    bool Drain() override { return Real->Drain(); }
    bool Write(std::uint8_t byte) override { return Real->Write(byte); }
    int Read(std::uint8_t& byte, std::chrono::microseconds wait) override {
        return Real->Read(byte, wait);
    }
    std::uint32_t LastError() const override { return Failed ? EIO : Real->LastError(); }

private:
    std::unique_ptr<TCommBackend> Real = MakePlatformCommBackend();
    bool Failed = false;
};

class PortCloseTest : public LinkFixture {};

TEST_F(PortCloseTest, AFailedCloseLeavesThePortClosedAndItOpensAgain) {
    Harness = std::make_unique<testkit::TSimHarness>(sim::SingleExchangeScenario(6, 0));
    const std::string port = Harness->MapPort(1);
    Link = std::make_unique<TLowLevel>(boost::make_shared<TScaledClock>(10.0), Notifier,
                                       std::make_unique<TCloseFailsOnce>());
    ASSERT_EQ(Link->OpenPort(port), 1);
    ASSERT_EQ(Link->Identify(), 1);

    try {
        Link->Port->Close();
        ADD_FAILURE() << "the failed close raised nothing";
    } catch (const ECommError& error) {
        EXPECT_EQ(error.Code, CommErrorClose);
        EXPECT_EQ(error.SystemError, static_cast<std::uint32_t>(EIO));
    }
    EXPECT_FALSE(Link->Port->IsOpen());

    // What "Обновить" does next: open the port and identify the exchange.
    EXPECT_EQ(Link->OpenPort(port), 1);
    EXPECT_TRUE(Link->Port->IsOpen());
    EXPECT_EQ(Link->Identify(), 1);
}

} // namespace
} // namespace tallyvox::e2e
