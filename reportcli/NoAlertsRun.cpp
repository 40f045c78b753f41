#include "reportcli/AlertsRun.h"

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

int PrintAlerts(const TReportOptions&, const report::TPeriod&, std::FILE*, std::ostream& err) {
    return NoRules(err);
}

int PrintAlertsLog(const std::string&, const report::TPeriod&, std::FILE*, std::ostream& err) {
    return NoRules(err);
}

} // namespace tallyvox::reportcli
