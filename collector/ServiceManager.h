#pragma once
// What the service manager is told of the collector's state (systemd's
// Type=notify, through the socket that NOTIFY_SOCKET names): ready, reloading
// after SIGHUP, stopping, and a line of status for `systemctl status`. Nothing
// happens without a service manager.

#include <string>

namespace tallyvox::collector {

// "READY=1", "RELOADING=1", "STOPPING=1" or "STATUS=text", one or more a line.
// Any thread.
void TellServiceManager(const std::string& state);

} // namespace tallyvox::collector
