#pragma once
// The forwarder on a thread of its own, so that a store that is down, slow or
// refusing never holds up the capture: the caller only says "the file grew".

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "store/Forwarder.h"

namespace tallyvox::store {

enum class TLogLevel { Info, Warning, Error };
using TLog = std::function<void(TLogLevel level, const std::string& message)>;

// Waits between attempts after a failure: First, doubled after each failure up to Last.
struct TRetryDelays {
    std::chrono::milliseconds First{1000};
    std::chrono::milliseconds Last{60000};
    // With nothing new, the file is looked at this often anyway (a writer that
    // does not call Notify, a mark that another run moved).
    std::chrono::milliseconds Poll{5000};
};

class TStoreForwarding {
public:
    // log is called on the forwarding thread, once per change of state (store
    // reached, store failing with the reason, call file unreadable).
    TStoreForwarding(TForwarderSettings settings, TLog log, TRetryDelays delays = {});
    ~TStoreForwarding(); // Stop
    TStoreForwarding(const TStoreForwarding&) = delete;
    TStoreForwarding& operator=(const TStoreForwarding&) = delete;

    // Starts the thread; it sends what is pending at once.
    void Start();
    // The call file grew: send it soon. Never blocks on the store. Any thread.
    void Notify();
    // The exchange whose calls are appended from now on. Any thread.
    void SetSerialNumber(const std::string& serialNumber);
    // Ends the thread after the batch in progress (a statement the store is slow
    // with is cancelled). What is not sent stays in the file for the next start.
    void Stop();

    // Sends what the file holds now and then stops: waits for a pass that starts
    // after this call to end (well, or failing: the rest stays in the file for
    // the next run), at most timeout; then Stop. For a program about to end.
    void Finish(std::chrono::milliseconds timeout);

    // Calls sent since Start; any thread (for tests and the status).
    std::size_t Sent() const;

private:
    enum class TState { Starting, Delivering, StoreFailing, FileFailing };
    void Run();
    void Enter(TState state, const std::string& reason);

    TForwarder Forwarder;
    TLog Log;
    TRetryDelays Delays;
    std::string SiteText;
    mutable std::mutex Mutex;
    std::condition_variable Wake;
    bool Pending = true;
    bool Stopping = false;
    std::string NewSerialNumber;
    bool SerialChanged = false;
    std::size_t SentCount = 0;
    std::uint64_t PassesStarted = 0;
    std::uint64_t LastPassEnded = 0; // the number of the last pass that ended
    std::condition_variable PassEnded;
    TState State = TState::Starting;
    std::thread Thread;
};

} // namespace tallyvox::store
