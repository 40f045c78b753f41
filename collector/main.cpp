// tallyvox-collect: capture of the exchange's calls without a window, for a
// service, a terminal or cron.

#include <boost/make_shared.hpp>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <unistd.h>

#include "collector/AlertLink.h"
#include "collector/AppendFanOut.h"
#include "collector/Collector.h"
#include "collector/ServiceManager.h"
#include "collector/Signals.h"
#include "collector/StatusFile.h"
#include "collector/StoreLink.h"

int main(int argc, char** argv) {
    using namespace tallyvox;
    using namespace tallyvox::collector;
    TCollectOptions options;
    if (const auto end =
            cli::ReadOptions("tallyvox-collect", argc, argv, ParseCommandLine, Usage, options)) {
        return *end;
    }
    // The configuration files and relative file names are the start folder's,
    // as for the window.
    if (::chdir(options.Dir.c_str()) != 0) {
        std::cerr << "tallyvox-collect: --dir " << options.Dir << ": " << std::strerror(errno)
                  << "\n";
        return 2;
    }
    if (options.Status) {
        // A status file is only ever a regular file: never a device, a FIFO or a
        // directory that a mistyped option names.
        if (const std::string problem = StatusFileProblem(*options.Status); !problem.empty()) {
            std::cerr << "tallyvox-collect: --status " << *options.Status << ": " << problem
                      << ", not a regular file\n";
            return 2;
        }
    }
    TLog log(std::cerr, StderrIsJournal());
    auto notifier = boost::make_shared<TLogNotifier>(log);
    auto lowLevel = boost::make_shared<TLowLevel>(boost::make_shared<TSystemClock>(), notifier);
    if (const int status = Configure(*lowLevel, options, log); status != ExitDone) {
        return status;
    }
    TCollector collector(lowLevel, *notifier, options, log);
    // Before any other thread: each thread started later blocks the signals too,
    // so none of them can be ended by one without the final flush.
    const TSignalWatcher signals(
        [&collector] {
            TellServiceManager("STOPPING=1");
            collector.RequestStop();
        },
        [&collector] {
            // The call file is opened for each line anyway: taking the new one
            // is done once the collector knows.
            TellServiceManager("RELOADING=1");
            collector.RequestReopen();
            TellServiceManager("READY=1");
        });
    std::unique_ptr<TStoreLink> store;
    if (options.Store) {
        try {
            store = StartStoreLink(*options.Store, *options.Site, lowLevel->TariffFileName,
                                   *lowLevel, log);
        } catch (const std::runtime_error& error) {
            std::cerr << "tallyvox-collect: --store: " << error.what() << "\n";
            return 2;
        }
    }
    std::unique_ptr<TAlertLink> alertLink;
    if (options.Alerts) {
        try {
            alertLink =
                StartAlertLink(*options.Alerts, options.Tariffs, lowLevel->TariffFileName, log);
        } catch (const std::runtime_error& error) {
            std::cerr << "tallyvox-collect: --alerts: " << error.what() << "\n";
            return 2;
        }
    }
    TAppendFanOut observers;
    observers.Add(store.get());
    observers.Add(alertLink.get());
    collector.SetAppendObserver(&observers);
    collector.SetStateObserver(alertLink.get());
    TellServiceManager("READY=1");
    const int status = collector.Run();
    TellServiceManager("STOPPING=1");
    if (store) {
        // What was read goes to the store now if it can; otherwise on the next start.
        store->Finish(std::chrono::seconds(10));
    }
    return status;
}
