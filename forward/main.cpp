// tallyvox-forward: a call file into the store, by itself.

#include <signal.h>

#include <iostream>
#include <system_error>

#include "forward/CommandLine.h"
#include "store/Forwarding.h"

namespace {

using namespace tallyvox::store;

int SendOnce(const TForwardOptions& options) {
    try {
        TForwarder forwarder(options.Settings);
        forwarder.Warn = [](const std::string& message) {
            std::cerr << "tallyvox-forward: warning: " << message << "\n";
        };
        if (options.SerialNumber) {
            forwarder.SetSerialNumber(*options.SerialNumber);
        }
        std::cerr << "tallyvox-forward: " << forwarder.SendPending() << " calls sent\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "tallyvox-forward: " << error.what() << "\n";
        return 1;
    }
}

// Follows the file until SIGTERM or SIGINT; the file is looked at every second.
int Follow(const TForwardOptions& options) {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr); // before the thread, which inherits it
    static constexpr const char* Levels[] = {"info", "warning", "error"};
    TStoreForwarding forwarding(
        options.Settings,
        [](TLogLevel level, const std::string& message) {
            std::cerr << "tallyvox-forward: " << Levels[static_cast<int>(level)] << ": " << message
                      << "\n";
        },
        {std::chrono::seconds(1), std::chrono::seconds(60), std::chrono::seconds(1)});
    if (options.SerialNumber) {
        forwarding.SetSerialNumber(*options.SerialNumber);
    }
    forwarding.Start();
    int signal = 0;
    sigwait(&stops, &signal);
    forwarding.Stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    TForwardOptions options;
    if (const auto end = tallyvox::cli::ReadOptions(
            "tallyvox-forward", argc, argv, ParseForwardCommandLine, ForwardUsage, options)) {
        return *end;
    }
    return options.Once ? SendOnce(options) : Follow(options);
}
