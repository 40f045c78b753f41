#pragma once
// The web view's HTTP side: sign-in and sessions, the pages and the API, each
// answer narrowed to the signed-in user's scope.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/Directory.h"
#include "web/CallData.h"
#include "web/Scope.h"
#include "web/Sessions.h"
#include "web/SignInThrottle.h"
#include "web/Users.h"

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace tallyvox::web {

struct TServerSettings {
    std::string Host = "127.0.0.1";
    int Port = 8080;      // 0: any free port
    std::string CertFile; // both set: HTTPS
    std::string KeyFile;
    std::string AlertJournal; // set: the dashboard counts its alerts of today
};

class TWebServer {
public:
    // directory (maybe empty) places lines in departments; it outlives the server.
    TWebServer(const TServerSettings& settings, std::vector<TUser> users, TCallData& calls,
               const report::TDirectory& directory);
    ~TWebServer();
    TWebServer(const TWebServer&) = delete;
    TWebServer& operator=(const TWebServer&) = delete;

    // Binds the address; the port bound, or -1 after saying why not.
    int Bind();
    // Serves until Stop; false when serving failed.
    bool Serve();
    // From any thread: ends Serve within the sockets' timeouts.
    void Stop();

private:
    struct TVisit;
    void Route();
    void SignIn(const httplib::Request& request, httplib::Response& response);
    TScope ScopeOf(const TUser& user) const;
    void ShowCalls(const httplib::Request& request, httplib::Response& response,
                   const std::string& sessionId, const TUser& user);
    void ShowViews(const httplib::Request& request, httplib::Response& response,
                   const TVisit& visitor);
    void ShowCoverage(const httplib::Request& request, httplib::Response& response,
                      const TVisit& visitor);
    enum class TExportKind { Json, Csv, Workbook };
    // The calls of a filter as the API's JSON, the CSV export or the workbook.
    void Export(const httplib::Request& request, httplib::Response& response, const TUser& user,
                TExportKind kind);

    TServerSettings Settings;
    std::map<std::string, TUser> Users;
    TCallData& Calls;
    const report::TDirectory& Directory;
    TSessions Sessions;
    TSignInThrottle Throttle;
    std::unique_ptr<httplib::Server> Http;
    bool Tls = false;
    std::string UnknownUserHash; // checked for a name that is not a user, so time tells nothing
};

} // namespace tallyvox::web
