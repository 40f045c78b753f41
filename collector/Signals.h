#pragma once
// SIGTERM, SIGINT and SIGHUP taken on a thread of their own (sigwait), so that
// what they cause runs as ordinary code, not inside a signal handler. A second
// SIGTERM or SIGINT ends the process at once, by that signal. SIGXFSZ is
// ignored: a file-size limit then fails the write (EFBIG) as a full disk does,
// which the call file survives, instead of killing the process in mid-line.

#include <atomic>
#include <functional>
#include <thread>

namespace tallyvox::collector {

class TSignalWatcher {
public:
    // Blocks the three signals in the calling thread, and so in every thread it
    // starts later: construct it in main before any other thread. onStop runs on
    // the first SIGTERM or SIGINT, onHangUp on SIGHUP, both on the watcher's thread.
    TSignalWatcher(std::function<void()> onStop, std::function<void()> onHangUp);
    ~TSignalWatcher();
    TSignalWatcher(const TSignalWatcher&) = delete;
    TSignalWatcher& operator=(const TSignalWatcher&) = delete;

private:
    void Watch();
    [[noreturn]] static void EndBy(int signal);

    std::function<void()> OnStop;
    std::function<void()> OnHangUp;
    std::atomic<bool> Ending{false};
    bool Stopping = false;
    std::thread Thread;
};

} // namespace tallyvox::collector
