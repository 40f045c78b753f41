#include <iostream>

#include "app/AlertsPanel.h"
#include "settings/OutConfig.h"

namespace tallyvox::app {

TAlertsFollow FollowAlerts(QWidget*, const std::string& outConfigText, const std::string&) {
    if (!AlertRulesOf(outConfigText).empty()) {
        std::cerr << "tallyvox: ALERTS=: this build has no alert rules (toml++ was not found)\n";
    }
    return {};
}

} // namespace tallyvox::app
