#pragma once
// A JSON document POSTed to a web hook (a chat's incoming hook, a ticket system).

#include <string>

#include "delivery/Curl.h"

namespace tallyvox::delivery {

// Throws EDeliveryError unless the receiver answers 2xx within the limits.
void PostJson(const std::string& url, const std::string& json, const TTransferLimits& limits);

} // namespace tallyvox::delivery
