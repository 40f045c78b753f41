#include "collector/AlertLink.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "alerts/AlertJournal.h"
#include "alerts/CallAlerts.h"
#include "alerts/DeliveryThread.h"
#include "exchange/FilePath.h"
#include "text/Cp1251.h"

namespace tallyvox::collector {

namespace {

class TDeliveringAlertLink : public TAlertLink {
public:
    TDeliveringAlertLink(std::unique_ptr<alerts::TCallAlerts> calls, const std::string& journal,
                         TLog& log)
        : Calls(std::move(calls)), Log(log),
          Delivery(Calls->Rules(), journal,
                   [&log](bool problem, const std::string& text) {
                       log.Write(problem ? TLevel::Warning : TLevel::Info, text);
                   }),
          Thread(Delivery) {
        Thread.Start();
    }

    void LineAppended(const std::string&, const std::string& line, std::uintmax_t offset) override {
        const std::vector<alerts::TAlert> raised = Delivery.Raise(Calls->Add(line, offset));
        for (const alerts::TAlert& alert : raised) {
            const bool critical = alert.Level == alerts::TLevel::Critical;
            Log.Write(critical ? TLevel::Critical : TLevel::Warning,
                      "alert: " + alert.Rule + ": " + alert.Call.Text);
        }
        if (!raised.empty()) {
            Thread.Notify();
        }
    }

    void Finish(std::chrono::milliseconds timeout) override { Thread.Finish(timeout); }

private:
    std::unique_ptr<alerts::TCallAlerts> Calls;
    TLog& Log;
    alerts::TAlertDelivery Delivery;
    alerts::TDeliveryThread Thread; // stops before the delivery goes
};

} // namespace

std::unique_ptr<TAlertLink> StartAlertLink(const std::string& rulesFile,
                                           const std::optional<std::string>& tariffs,
                                           const std::string& callFile, TLog& log) {
    std::unique_ptr<alerts::TCallAlerts> calls = alerts::LoadCallAlerts(rulesFile, tariffs);
    const std::filesystem::path path = FilePathOfText(callFile);
    const std::size_t count = calls->Rules().Rules.size();
    try {
        std::error_code missing;
        calls->Remember(
            path, std::filesystem::exists(path, missing) ? std::filesystem::file_size(path) : 0);
        auto link = std::make_unique<TDeliveringAlertLink>(
            std::move(calls), alerts::AlertJournalOf(path.string()), log);
        log.Write(TLevel::Info, "alerts: " + std::to_string(count) + " rules from " + rulesFile);
        return link;
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot read " + text::Cp1251ToUtf8(callFile) +
                                 " or its alert journal: " + error.code().message());
    }
}

} // namespace tallyvox::collector
