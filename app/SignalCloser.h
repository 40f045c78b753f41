#pragma once
// SIGTERM, SIGINT and SIGHUP (a scheduler's stop, Ctrl+C, a closed terminal)
// end the window program the way a close does, so that held lines are written
// or rescued, the port and its lock file are let go and the exit status tells
// what happened. The handler only writes the signal's number to a pipe; the
// event loop reads it and runs the close on the UI thread.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace tallyvox::app {

class TSignalCloser : public QObject {
public:
    // onSignal runs on the UI thread once for each signal that arrives. One
    // object at a time: it owns the three signals' handlers while it lives.
    explicit TSignalCloser(std::function<void()> onSignal, QObject* parent = nullptr);
    // Gives the signals back to their default action.
    ~TSignalCloser() override;
    TSignalCloser(const TSignalCloser&) = delete;
    TSignalCloser& operator=(const TSignalCloser&) = delete;

private:
    void TakeSignal();

    std::function<void()> OnSignal;
    QSocketNotifier* Notifier = nullptr;
};

} // namespace tallyvox::app
