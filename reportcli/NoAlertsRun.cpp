#include "reportcli/AlertsRun.h"
#include "reportcli/MailRun.h"

namespace tallyvox::reportcli {

namespace {

int NoRules(std::ostream& err) {
    err << "tallyvox-report: this build has no alert rules (toml++ was not found)\n";
    return 1;
}

} // namespace

int CheckAlerts(const std::string&, std::FILE*, std::ostream& err) {
    return NoRules(err);
}

int FireAlerts(const TReportOptions&, const report::TPeriod&,
               const std::function<void(const TFiredAlert&)>&, std::ostream& err) {
    return NoRules(err);
}

int MailReport(const TReportOptions&, const report::TPeriod&, std::FILE*, std::ostream& err) {
    return NoRules(err);
}

int PrintAlerts(const TReportOptions&, const report::TPeriod&, std::FILE*, std::ostream& err) {
    return NoRules(err);
}

int PrintAlertsLog(const std::string&, const report::TPeriod&, std::FILE*, std::ostream& err) {
    return NoRules(err);
}

} // namespace tallyvox::reportcli
