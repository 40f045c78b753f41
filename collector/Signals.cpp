#include "collector/Signals.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <utility>

namespace tallyvox::collector {
namespace {

sigset_t WatchedSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

TSignalWatcher::TSignalWatcher(std::function<void()> onStop, std::function<void()> onHangUp)
    : OnStop(std::move(onStop)), OnHangUp(std::move(onHangUp)) {
    const sigset_t signals = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // An ignored signal is discarded before sigwait could take it; a shell
    // ignores SIGINT for a background job, nohup ignores SIGHUP. Blocked, the
    // default action never runs.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::signal(signal, SIG_DFL);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    Thread = std::thread([this] { Watch(); });
}

TSignalWatcher::~TSignalWatcher() {
    Ending = true;
    // Wakes the sigwait; the signal is taken there and passed over.
    pthread_kill(Thread.native_handle(), SIGHUP);
    Thread.join();
}

void TSignalWatcher::Watch() {
    const sigset_t signals = WatchedSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) {
            continue;
        }
        if (Ending) {
            return;
        }
        if (signal == SIGHUP) {
            OnHangUp();
        } else if (!Stopping) {
            Stopping = true;
            OnStop();
        } else {
            EndBy(signal);
        }
    }
}

// Whoever asks twice does not want the orderly end: the signal's own action,
// so that the parent sees the process ended by it.
void TSignalWatcher::EndBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

} // namespace tallyvox::collector
