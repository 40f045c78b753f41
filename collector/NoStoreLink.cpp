#include <stdexcept>

#include "collector/StoreLink.h"

namespace tallyvox::collector {

std::unique_ptr<TStoreLink> StartStoreLink(const std::string&, const std::string&,
                                           const std::string&, const TLowLevel&, TLog&) {
    throw std::runtime_error("this build has no PostgreSQL store (libpq was not found)");
}

} // namespace tallyvox::collector
