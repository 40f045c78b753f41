#pragma once
// The alert delivery on a thread of its own, so that a mail server that is down
// or slow never holds up the calls: the caller only raises alerts and says so.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "alerts/AlertDelivery.h"

namespace tallyvox::alerts {

class TDeliveryThread {
public:
    explicit TDeliveryThread(TAlertDelivery& delivery);
    ~TDeliveryThread(); // Stop
    TDeliveryThread(const TDeliveryThread&) = delete;
    TDeliveryThread& operator=(const TDeliveryThread&) = delete;

    // Starts the thread; it sends what the journal left undelivered at once.
    void Start();
    // Alerts were raised: look at once. Never blocks on a server. Any thread.
    void Notify();
    // Ends the thread within a fraction of a second (a transfer in progress is
    // cancelled); what was not sent stays in the journal for the next start.
    void Stop();
    // Sends every alert held now, digests not waited for, and then stops: waits
    // for that pass at most timeout. For a program about to end.
    void Finish(std::chrono::milliseconds timeout);

private:
    void Run();

    TAlertDelivery& Delivery;
    std::mutex Mutex;
    std::condition_variable Wake;
    bool Pending = true;
    bool Stopping = false;
    bool Flush = false;
    std::uint64_t PassesStarted = 0;
    std::uint64_t LastPassEnded = 0;
    std::condition_variable PassEnded;
    std::thread Thread;
};

} // namespace tallyvox::alerts
