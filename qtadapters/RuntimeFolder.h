#pragma once
// Qt wants a private runtime folder named by XDG_RUNTIME_DIR and warns on the
// terminal when a session has none (root in a console or over ssh, a service,
// a container). The programs then use one of their own.

namespace tallyvox::reportcli {

// When XDG_RUNTIME_DIR is unset or empty, points it to a folder of this user's
// only (mode 0700) under the temporary folder, made when missing. Call before
// Qt starts.
void UsePrivateRuntimeFolder();

} // namespace tallyvox::reportcli
