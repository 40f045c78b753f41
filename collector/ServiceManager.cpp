#include "collector/ServiceManager.h"

#include <systemd/sd-daemon.h>

namespace tallyvox::collector {

void TellServiceManager(const std::string& state) {
    // A manager that does not listen changes nothing for the capture.
    sd_notify(0, state.c_str());
}

} // namespace tallyvox::collector
