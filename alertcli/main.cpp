// tallyvox-alert: the alert rules applied to a call file as it grows.

#include <signal.h>

#include <ctime>
#include <iostream>
#include <system_error>

#include "alertcli/AlertCommandLine.h"
#include "alertcli/AlertFollower.h"
#include "alerts/AlertJournal.h"
#include "alerts/DeliveryThread.h"
#include "collector/Log.h"

namespace {

using namespace tallyvox;
using namespace tallyvox::alertcli;

constexpr int ExitDelivered = 0;
constexpr int ExitFileFailed = 1;
constexpr int ExitRefused = 2;
constexpr int ExitUndelivered = 3;

void TellAlert(collector::TLog& log, const alerts::TAlert& alert) {
    const bool critical = alert.Level == alerts::TLevel::Critical;
    log.Write(critical ? collector::TLevel::Critical : collector::TLevel::Warning,
              "alert: " + alert.Rule + ": " + alert.Call.Text);
}

int JudgeOnce(TAlertFollower& follower, alerts::TAlertDelivery& delivery, collector::TLog& log) {
    try {
        const std::size_t raised = follower.JudgePending();
        delivery.SendDue(true);
        const std::size_t undelivered = delivery.Undelivered();
        log.Write(collector::TLevel::Info, std::to_string(follower.LinesJudged()) +
                                               " lines judged, " + std::to_string(raised) +
                                               " alerts raised, " + std::to_string(undelivered) +
                                               " alerts undelivered");
        return undelivered == 0 ? ExitDelivered : ExitUndelivered;
    } catch (const std::system_error& error) {
        log.Write(collector::TLevel::Error, error.what());
        return ExitFileFailed;
    }
}

// Looks at the file every second until SIGTERM or SIGINT; a failure to read
// it is told once, and once more when it is read again.
int Follow(TAlertFollower& follower, alerts::TAlertDelivery& delivery, collector::TLog& log,
           const sigset_t& stops) {
    alerts::TDeliveryThread thread(delivery);
    thread.Start();
    log.Write(collector::TLevel::Info, "alerts: following the call file");
    bool failing = false;
    const timespec second{1, 0};
    do {
        try {
            if (follower.JudgePending() > 0) {
                thread.Notify();
            }
            if (failing) {
                log.Write(collector::TLevel::Info, "alerts: the call file is read again");
            }
            failing = false;
        } catch (const std::system_error& error) {
            if (!failing) {
                log.Write(collector::TLevel::Error,
                          std::string("alerts: cannot read the call file or its mark: ") +
                              error.what());
            }
            failing = true;
        }
    } while (sigtimedwait(&stops, nullptr, &second) < 0);
    thread.Stop();
    log.Write(collector::TLevel::Info, "alerts: stopped");
    return ExitDelivered;
}

} // namespace

int main(int argc, char** argv) {
    TAlertOptions options;
    if (const auto end = cli::ReadOptions("tallyvox-alert", argc, argv, ParseAlertCommandLine,
                                          AlertUsage, options)) {
        return *end;
    }
    // Before any thread, which inherits it: the stops are waited for, not handled.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    collector::TLog log(std::cerr, collector::StderrIsJournal(), "tallyvox-alert");
    std::unique_ptr<alerts::TLineJudge> judge;
    try {
        judge = alerts::LoadLineJudge(options.Rules, options.Tariffs, "--tariffs");
    } catch (const std::runtime_error& error) {
        std::cerr << "tallyvox-alert: " << error.what() << "\n";
        return ExitRefused;
    }
    try {
        alerts::TAlertDelivery delivery(
            judge->Rules(), alerts::AlertJournalOf(options.CallFile),
            [&log](bool problem, const std::string& text) {
                log.Write(problem ? collector::TLevel::Warning : collector::TLevel::Info, text);
            });
        TAlertFollower follower(options.CallFile, *judge, delivery,
                                [&log](const alerts::TAlert& alert) { TellAlert(log, alert); });
        return options.Once ? JudgeOnce(follower, delivery, log)
                            : Follow(follower, delivery, log, stops);
    } catch (const std::system_error& error) {
        log.Write(collector::TLevel::Error, error.what());
        return ExitFileFailed;
    }
}
