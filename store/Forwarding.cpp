#include "store/Forwarding.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <system_error>

namespace tallyvox::store {

TStoreForwarding::TStoreForwarding(TForwarderSettings settings, TLog log, TRetryDelays delays)
    : Forwarder(settings), Log(std::move(log)), Delays(delays), SiteText(settings.Site) {
    Forwarder.Warn = [this](const std::string& message) {
        Log(TLogLevel::Warning, "store: " + message);
    };
}

TStoreForwarding::~TStoreForwarding() {
    Stop();
}

void TStoreForwarding::Start() {
    Thread = std::thread([this] { Run(); });
}

void TStoreForwarding::Notify() {
    {
        std::lock_guard lock(Mutex);
        Pending = true;
    }
    Wake.notify_one();
}

void TStoreForwarding::SetSerialNumber(const std::string& serialNumber) {
    std::lock_guard lock(Mutex);
    NewSerialNumber = serialNumber;
    SerialChanged = true;
}

void TStoreForwarding::Stop() {
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    Wake.notify_one();
    Forwarder.Cancel();
    if (Thread.joinable()) {
        Thread.join();
    }
}

void TStoreForwarding::Finish(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(Mutex);
        const std::uint64_t next = PassesStarted + 1;
        Pending = true;
        Wake.notify_one();
        PassEnded.wait_for(lock, timeout,
                           [&] { return LastPassEnded >= next || !Thread.joinable(); });
    }
    Stop();
}

std::size_t TStoreForwarding::Sent() const {
    std::lock_guard lock(Mutex);
    return SentCount;
}

void TStoreForwarding::Enter(TState state, const std::string& reason) {
    if (state == State) {
        return;
    }
    State = state;
    switch (state) {
    case TState::Delivering:
        Log(TLogLevel::Info, "store: delivering the calls of site " + SiteText);
        break;
    case TState::StoreFailing:
        Log(TLogLevel::Warning, "store: " + reason + "; calls stay in the call file, retrying");
        break;
    case TState::FileFailing:
        Log(TLogLevel::Error, "store: cannot read the call file or its mark: " + reason);
        break;
    case TState::Starting:
        break;
    }
}

void TStoreForwarding::Run() {
    // Signals belong to the program's own handling, never to this thread.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::chrono::milliseconds delay = Delays.First;
    std::unique_lock lock(Mutex);
    while (!Stopping) {
        Pending = false;
        const std::uint64_t pass = ++PassesStarted;
        if (SerialChanged) {
            Forwarder.SetSerialNumber(NewSerialNumber);
            SerialChanged = false;
        }
        lock.unlock();
        bool failed = true;
        std::pair<TState, std::string> failure;
        std::size_t sent = 0;
        try {
            sent = Forwarder.SendPending();
            Enter(TState::Delivering, "");
            failed = false;
        } catch (const EStoreError& error) {
            failure = {TState::StoreFailing, error.what()};
        } catch (const std::system_error& error) {
            failure = {TState::FileFailing, error.what()};
        }
        lock.lock();
        // A statement cancelled by Stop is no failure of the store.
        if (failed && !Stopping) {
            lock.unlock(); // the log may be slow; Notify must not wait for it
            Enter(failure.first, failure.second);
            lock.lock();
        }
        SentCount += sent;
        LastPassEnded = pass;
        PassEnded.notify_all();
        if (failed) {
            // A notification does not cut the wait short: the store is not hammered.
            Wake.wait_for(lock, delay, [this] { return Stopping; });
            delay = std::min(delay * 2, Delays.Last);
        } else {
            delay = Delays.First;
            Wake.wait_for(lock, Delays.Poll, [this] { return Stopping || Pending; });
        }
    }
}

} // namespace tallyvox::store
