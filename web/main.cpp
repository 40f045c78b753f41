// tallyvox-web: serves a call-accounting file or the store to browsers, each user
// seeing the calls their role allows. It only reads them.

#include <csignal>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <string>
#include <system_error>
#include <thread>

#include "alerts/AlertJournal.h"
#include "alerts/RulesReader.h"
#include "cli/Options.h"
#include "report/DirectoryReader.h"
#include "report/TariffReader.h"
#include "web/CallData.h"
#include "web/Dashboard.h"
#include "web/Options.h"
#include "web/Secrets.h"
#include "web/Server.h"
#include "web/Users.h"

using namespace tallyvox;

namespace {

int PrintHash() {
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    if (password.empty()) {
        std::cerr << "tallyvox-web: no password on standard input\n";
        return 1;
    }
    std::cout << web::HashPassword(password) << "\n";
    return std::cout.flush() ? 0 : 1;
}

// Reads the files of the options; false after saying what is wrong.
bool ReadFiles(const web::TWebOptions& options, std::vector<web::TUser>& users,
               report::TTariffTable& table) {
    try {
        users = web::ReadUsersFile(options.UsersFile);
        if (options.Tariffs) {
            table = report::ReadTariffFile(*options.Tariffs);
        }
        return true;
    } catch (const web::EUsersError& error) {
        std::cerr << "error: " << options.UsersFile << " is refused:\n" << error.what();
    } catch (const report::ETariffError& error) {
        std::cerr << "error: " << *options.Tariffs << " is refused:\n" << error.what();
    } catch (const std::system_error& error) {
        std::cerr << "error: cannot read " << error.what() << "\n";
    }
    return false;
}

// The tariff table and the directory are both semicolon tables: read apart, so
// a refusal names its file.
bool ReadDirectory(const web::TWebOptions& options, report::TDirectory& directory) {
    if (!options.Directory) {
        return true;
    }
    try {
        directory = report::ReadDirectoryFile(*options.Directory);
        return true;
    } catch (const report::ETableError& error) {
        std::cerr << "error: " << *options.Directory << " is refused:\n" << error.what() << "\n";
    } catch (const std::system_error& error) {
        std::cerr << "error: cannot read " << error.what() << "\n";
    }
    return false;
}

// The rules are read only to refuse a faulty file at start: the collector
// applies them and journals the alerts that the dashboard counts.
bool ReadAlertRules(const web::TWebOptions& options) {
    if (!options.AlertRules) {
        return true;
    }
    try {
        alerts::ReadRulesFile(*options.AlertRules);
        return true;
    } catch (const alerts::ERulesError& error) {
        std::cerr << "error: " << *options.AlertRules << " is refused:\n" << error.what() << "\n";
    } catch (const std::system_error& error) {
        std::cerr << "error: cannot read " << error.what() << "\n";
    }
    return false;
}

// SIGTERM and SIGINT are taken by a thread of their own (blocked everywhere
// else), which stops the server outside any signal handler.
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

} // namespace

int main(int argc, char** argv) {
    web::TWebOptions options;
    if (const auto end =
            cli::ReadOptions("tallyvox-web", argc, argv, web::ParseOptions, web::Usage, options)) {
        return *end;
    }
    if (!web::StartSecrets()) {
        std::cerr << "tallyvox-web: the system gives no randomness\n";
        return 1;
    }
    if (options.HashPassword) {
        return PrintHash();
    }
    std::vector<web::TUser> users;
    report::TTariffTable table;
    report::TDirectory directory;
    if (!ReadFiles(options, users, table) || !ReadDirectory(options, directory) ||
        !ReadAlertRules(options)) {
        return 1;
    }
    if (options.AlertRules) {
        options.Server.AlertJournal = alerts::AlertJournalOf(options.CallFile);
    }
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::unique_ptr<web::TCallData> calls;
    try {
        calls = options.Store
                    ? web::StoreCallData(*options.Store, std::move(table))
                    : std::make_unique<web::TCallFileData>(options.CallFile, std::move(table));
    } catch (const std::runtime_error& error) {
        std::cerr << "error: " << error.what() << "\n";
        return 1;
    }
    if (!options.Store) {
        // The file is read before the first page asks for it. The store is
        // asked by the pages: a store that does not answer holds no start up.
        calls->Calls({});
    }
    web::TWebServer server(options.Server, std::move(users), *calls, directory);
    if (server.Bind() < 0) {
        return 1;
    }
    std::thread stopper([&server, &calls, signals] {
        int signal = 0;
        sigwait(&signals, &signal);
        std::cerr << "info: stopping on " << (signal == SIGTERM ? "SIGTERM" : "SIGINT") << "\n";
        // A page waiting on a silent store ends now, not at its time limit.
        calls->Abandon();
        server.Stop();
    });
    const bool served = server.Serve();
    if (!served) {
        std::cerr << "error: serving failed\n";
        // The stopper waits for a signal that will not come: send it one.
        pthread_kill(stopper.native_handle(), SIGTERM);
    }
    stopper.join();
    std::cerr << "info: stopped\n";
    return served ? 0 : 1;
}
