#pragma once
// SIGTERM, SIGINT and SIGHUP taken on a thread of their own (sigwait), so that
// what they cause runs as ordinary code, not inside a signal handler.

#include <atomic>
#include <functional>
#include <thread>

namespace tallyvox::collector {

class TSignalWatcher {
public:
    // Blocks the three signals in the calling thread, and so in every thread it
    // starts later: construct it in main before any other thread. onStop runs on
    // SIGTERM and SIGINT, onHangUp on SIGHUP, both on the watcher's thread.
    TSignalWatcher(std::function<void()> onStop, std::function<void()> onHangUp);
    ~TSignalWatcher();
    TSignalWatcher(const TSignalWatcher&) = delete;
    TSignalWatcher& operator=(const TSignalWatcher&) = delete;

private:
    void Watch();

    std::function<void()> OnStop;
    std::function<void()> OnHangUp;
    std::atomic<bool> Ending{false};
    std::thread Thread;
};

} // namespace tallyvox::collector
