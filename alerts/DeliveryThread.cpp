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

void TDeliveryThread::Run() {
    // Signals belong to the program's own handling, never to this thread.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::unique_lock lock(Mutex);
    while (!Stopping) {
        Pending = false;
        lock.unlock();
        Delivery.SendDue(false);
        const std::optional<std::int64_t> wake = Delivery.WakeAt();
        lock.lock();
        auto until = std::chrono::system_clock::now() + Poll;
        if (wake) {
            until = std::min(until, std::chrono::system_clock::time_point(std::chrono::seconds(*wake)));
        }
        Wake.wait_until(lock, until, [this] { return Stopping || Pending; });
    }
}

} // namespace tallyvox::alerts
