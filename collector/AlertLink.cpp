#include "collector/AlertLink.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "alerts/AlertJournal.h"
#include "alerts/DeliveryThread.h"
#include "alerts/ExchangeWatch.h"
#include "alerts/LineJudge.h"
#include "model/FilePath.h"
#include "text/Cp1251.h"

namespace tallyvox::collector {

namespace {

report::TDateTime DateTimeOf(const TCalendarTime& time) {
    return {static_cast<std::uint16_t>(time.Year),  static_cast<std::uint8_t>(time.Month),
            static_cast<std::uint8_t>(time.Day),    static_cast<std::uint8_t>(time.Hour),
            static_cast<std::uint8_t>(time.Minute), static_cast<std::uint8_t>(time.Second)};
}

class TDeliveringAlertLink : public TAlertLink {
public:
    TDeliveringAlertLink(std::unique_ptr<alerts::TLineJudge> judge, const std::string& journal,
                         TLog& log)
        : Judge(std::move(judge)), Watch(Judge->Rules(), DateTimeOf(TSystemClock().LocalNow())),
          Log(log), Delivery(Judge->Rules(), journal,
                             [&log](bool problem, const std::string& text) {
                                 log.Write(problem ? TLevel::Warning : TLevel::Info, text);
                             }),
          Thread(Delivery) {
        Thread.Start();
    }

    void LineAppended(const std::string&, const std::string& line, std::uintmax_t offset) override {
        Raise(alerts::AlertsOf(Judge->Rules(), Judge->Judge(line, offset)));
    }

    void Contact(const TCalendarTime& now) override { Watch.Contact(DateTimeOf(now)); }

    void NoContact(const TCalendarTime& now) override {
        RaiseState(Watch.Silence(DateTimeOf(now)), now);
    }

    void BufferFill(int fill, int capacity) override {
        RaiseState(Watch.Buffer(fill, capacity), TSystemClock().LocalNow());
    }

    void Finish(std::chrono::milliseconds timeout) override { Thread.Finish(timeout); }

private:
    void RaiseState(const std::vector<alerts::TStateFiring>& firings, const TCalendarTime& now) {
        std::vector<alerts::TAlert> alerts;
        for (const alerts::TStateFiring& firing : firings) {
            alerts.push_back(alerts::StateAlertOf(Judge->Rules(), firing, DateTimeOf(now)));
        }
        Raise(std::move(alerts));
    }

    // The one way out of the alerts, of calls and of the exchange's state alike.
    void Raise(std::vector<alerts::TAlert> alerts) {
        if (alerts.empty()) {
            return;
        }
        for (const alerts::TAlert& alert : Delivery.Raise(std::move(alerts))) {
            const bool critical = alert.Level == alerts::TLevel::Critical;
            Log.Write(critical ? TLevel::Critical : TLevel::Warning,
                      "alert: " + alert.Rule + ": " + alert.Call.Text);
        }
        Thread.Notify();
    }

    std::unique_ptr<alerts::TLineJudge> Judge;
    alerts::TExchangeWatch Watch; // on Judge's rules
    TLog& Log;
    alerts::TAlertDelivery Delivery;
    alerts::TDeliveryThread Thread; // stops before the delivery goes
};

} // namespace

std::unique_ptr<TAlertLink> StartAlertLink(const std::string& rulesFile,
                                           const std::optional<std::string>& tariffs,
                                           const std::string& callFile, TLog& log) {
    std::unique_ptr<alerts::TLineJudge> judge =
        alerts::LoadLineJudge(rulesFile, tariffs, "--tariffs");
    const std::filesystem::path path = FilePathOfText(callFile);
    const std::size_t count = judge->Rules().Rules.size();
    try {
        std::error_code missing;
        judge->Remember(
            path, std::filesystem::exists(path, missing) ? std::filesystem::file_size(path) : 0);
        auto link = std::make_unique<TDeliveringAlertLink>(
            std::move(judge), alerts::AlertJournalOf(path.string()), log);
        log.Write(TLevel::Info, "alerts: " + std::to_string(count) + " rules from " + rulesFile);
        return link;
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + text::Cp1251ToUtf8(callFile) +
                                 " or its alert journal: " + error.code().message());
    }
}

} // namespace tallyvox::collector
