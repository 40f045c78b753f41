#include "delivery/Curl.h"

#include <curl/curl.h>

#include <mutex>

namespace tallyvox::delivery {

namespace {

// libcurl's global set-up is not thread-safe: done once, before the first handle.
void InitialiseOnce() {
    static std::once_flag done;
    std::call_once(done, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// libcurl asks often during a transfer, even while it waits for the server.
int Progress(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return cancelled && static_cast<const std::atomic<bool>*>(cancelled)->load() ? 1 : 0;
}

} // namespace

TCurl::TCurl(const TTransferLimits& limits) {
    InitialiseOnce();
    Easy = curl_easy_init();
    if (!Easy) {
        throw EDeliveryError("libcurl cannot start a transfer");
    }
    curl_easy_setopt(Easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(Easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.Connect.count()));
    curl_easy_setopt(Easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.Whole.count()));
    curl_easy_setopt(Easy, CURLOPT_ERRORBUFFER, Error);
    if (limits.Cancelled) {
        curl_easy_setopt(Easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(Easy, CURLOPT_XFERINFOFUNCTION, Progress);
        curl_easy_setopt(Easy, CURLOPT_XFERINFODATA,
                         const_cast<std::atomic<bool>*>(limits.Cancelled));
    }
}

TCurl::~TCurl() {
    curl_easy_cleanup(Easy);
}

void TCurl::Perform(const std::string& what) {
    Error[0] = '\0';
    const CURLcode result = curl_easy_perform(Easy);
    if (result != CURLE_OK) {
        throw EDeliveryError(what + ": " + (Error[0] ? Error : curl_easy_strerror(result)));
    }
}

} // namespace tallyvox::delivery
