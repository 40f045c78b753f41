// tallyvox-sim: the exchange simulator as a program.

#include <csignal>
#include <iostream>

#include "sim/CommandLine.h"
#include "sim/Simulator.h"

int main(int argc, char** argv) {
    using namespace tallyvox::sim;
    TCommandLine options;
    if (const auto end = tallyvox::cli::ReadOptions("tallyvox-sim", argc, argv, ParseCommandLine,
                                                    Usage, options)) {
        return *end;
    }
    // Blocked before the exchange thread starts, so only sigwait takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    try {
        TSimulator simulator(options.Scenario);
        if (!options.StateFile.empty()) {
            simulator.KeepStateIn(options.StateFile);
        }
        simulator.Start();
        if (!options.LinkPath.empty()) {
            simulator.LinkAt(options.LinkPath);
        }
        std::cout << simulator.DevicePath() << std::endl;
        int signal = 0;
        sigwait(&stopSignals, &signal);
        simulator.Stop();
        int left = 0;
        for (std::size_t i = 0; i < options.Scenario.Exchanges.size(); ++i) {
            left += simulator.PendingRecords(static_cast<int>(i));
        }
        std::cerr << "tallyvox-sim: " << simulator.SentRecordCount() << " records sent, " << left
                  << " left in the buffers\n";
    } catch (const std::exception& error) {
        std::cerr << "tallyvox-sim: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
