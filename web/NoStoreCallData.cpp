#include "web/CallData.h"

namespace tallyvox::web {

std::unique_ptr<TCallData> StoreCallData(const std::string&, report::TTariffTable) {
    throw std::runtime_error("this build has no PostgreSQL store (libpq was not found)");
}

} // namespace tallyvox::web
