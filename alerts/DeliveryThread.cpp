#include "alerts/DeliveryThread.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>

namespace tallyvox::alerts {

namespace {

// With nothing due, the outboxes are looked at this often anyway (the clock
// jumped, an hour's cap ran out).
constexpr std::chrono::seconds Poll{60};

} // namespace

TDeliveryThread::TDeliveryThread(TAlertDelivery& delivery) : Delivery(delivery) {}

TDeliveryThread::~TDeliveryThread() {
    Stop();
}

void TDeliveryThread::Start() {
    Thread = std::thread([this] { Run(); });
}

void TDeliveryThread::Notify() {
    {
        std::lock_guard lock(Mutex);
        Pending = true;
    }
    Wake.notify_one();
}

void TDeliveryThread::Stop() {
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    Wake.notify_one();
    Delivery.Cancel();
    if (Thread.joinable()) {
        Thread.join();
    }
}

void TDeliveryThread::Finish(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(Mutex);
        const std::uint64_t next = PassesStarted + 1;
        Pending = true;
        Flush = true;
        Wake.notify_one();
        PassEnded.wait_for(lock, timeout,
                           [&] { return LastPassEnded >= next || !Thread.joinable(); });
    }
    Stop();
}

void TDeliveryThread::Run() {
    // Signals belong to the program's own handling, never to this thread.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::unique_lock lock(Mutex);
    while (!Stopping) {
        Pending = false;
        const bool flush = Flush;
        const std::uint64_t pass = ++PassesStarted;
        lock.unlock();
        Delivery.SendDue(flush);
        const std::optional<std::int64_t> wake = Delivery.WakeAt();
        lock.lock();
        LastPassEnded = pass;
        PassEnded.notify_all();
        auto until = std::chrono::system_clock::now() + Poll;
        if (wake) {
            until =
                std::min(until, std::chrono::system_clock::time_point(std::chrono::seconds(*wake)));
        }
        Wake.wait_until(lock, until, [this] { return Stopping || Pending; });
    }
}

} // namespace tallyvox::alerts
