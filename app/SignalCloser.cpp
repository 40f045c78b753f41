#include "app/SignalCloser.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace tallyvox::app {
namespace {

constexpr std::array<int, 3> CloseSignals{SIGTERM, SIGINT, SIGHUP};

// Read end and write end; the handler may use only the write end.
std::array<int, 2> SignalPipe{-1, -1};

void WriteSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a close to be done: one more adds nothing.
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

void SetHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

TSignalCloser::TSignalCloser(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), OnSignal(std::move(onSignal)) {
    if (::pipe2(SignalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("no pipe for the signals");
    }
    Notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, [this] { TakeSignal(); });
    for (int signal : CloseSignals) {
        SetHandler(signal, WriteSignal);
    }
}

TSignalCloser::~TSignalCloser() {
    for (int signal : CloseSignals) {
        SetHandler(signal, SIG_DFL);
    }
    delete Notifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe = {-1, -1};
}

void TSignalCloser::TakeSignal() {
    unsigned char byte = 0;
    while (::read(SignalPipe[0], &byte, 1) == 1) {
        OnSignal();
    }
}

} // namespace tallyvox::app
