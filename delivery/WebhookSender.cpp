#include "delivery/WebhookSender.h"

#include <curl/curl.h>

#include <memory>

namespace tallyvox::delivery {

namespace {

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

} // namespace

void PostJson(const std::string& url, const std::string& json, const TTransferLimits& limits) {
    TCurl curl(limits);
    CURL* easy = curl.Handle();
    const std::unique_ptr<curl_slist, void (*)(curl_slist*)> headers(
        curl_slist_append(nullptr, "Content-Type: application/json; charset=utf-8"),
        curl_slist_free_all);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, json.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(json.size()));
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L); // an HTTP error status is a failure
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
    // A hook's address often holds its secret: it stays out of the log.
    curl.Perform("POST to the web hook");
}

} // namespace tallyvox::delivery
