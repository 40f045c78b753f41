#pragma once
// The one libcurl easy handle a delivery uses, with the waits every transfer is
// bounded by, and the error every failed delivery is told with.

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

namespace tallyvox::delivery {

// A message that did not reach its server; what() says why, for a log line.
class EDeliveryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No transfer waits longer than these: a server that is down, or accepts and
// then says nothing, costs a delivery attempt, never the program; and a
// program that stops ends a transfer in progress within a fraction of a second.
struct TTransferLimits {
    std::chrono::milliseconds Connect{10000};
    std::chrono::milliseconds Whole{60000};
    const std::atomic<bool>* Cancelled = nullptr; // set: the transfer ends as failed
};

// A libcurl easy handle set up with the limits and no signals; Perform runs the transfer and throws
// EDeliveryError with what failed.
class TCurl {
public:
    explicit TCurl(const TTransferLimits& limits);
    ~TCurl();
    TCurl(const TCurl&) = delete;
    TCurl& operator=(const TCurl&) = delete;

    void* Handle() const { return Easy; }
    void Perform(const std::string& what);

private:
    void* Easy = nullptr;
    char Error[256] = {};
};

} // namespace tallyvox::delivery
