#include "collector/AlertLink.h"

#include <stdexcept>

namespace tallyvox::collector {

std::unique_ptr<TAlertLink> StartAlertLink(const std::string&, const std::optional<std::string>&,
                                           const std::string&, TLog&) {
    throw std::runtime_error("this build has no alert rules (toml++ was not found)");
}

} // namespace tallyvox::collector
