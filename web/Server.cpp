#include "web/Server.h"

#include "web/AlertsToday.h"

#include <chrono>
#include <functional>
#include <iostream>
#include <optional>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "report/Period.h"
#include "report/Workbook.h"
#include "web/CallFilter.h"
#include "web/CallsOut.h"
#include "web/Charts.h"
#include "web/CoveragePage.h"
#include "web/Dashboard.h"
#include "web/Pages.h"
#include "web/Scope.h"
#include "web/Secrets.h"
#include "web/Views.h"

namespace tallyvox::web {

// What a handler knows of the signed-in user.
struct TWebServer::TVisit {
    std::string SessionId;
    TSession Session;
    const TUser* User = nullptr;
};

namespace {

constexpr const char* SessionCookie = "tallyvox_session";
constexpr const char* HtmlType = "text/html; charset=utf-8";

std::optional<std::string> CookieValue(const httplib::Request& request, const std::string& name) {
    const std::string header = request.get_header_value("Cookie");
    std::size_t at = 0;
    while (at < header.size()) {
        const std::size_t end = std::min(header.find(';', at), header.size());
        std::string_view part(header.data() + at, end - at);
        while (!part.empty() && part.front() == ' ') {
            part.remove_prefix(1);
        }
        if (part.size() > name.size() && part.starts_with(name) && part[name.size()] == '=') {
            return std::string(part.substr(name.size() + 1));
        }
        at = end + 1;
    }
    return std::nullopt;
}

// The headers every answer carries: nothing cached, no script, no framing.
void Secure(httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("Content-Security-Policy",
                        "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                        "frame-ancestors 'none'");
}

void Redirect(httplib::Response& response, const std::string& to) {
    response.status = 303;
    response.set_header("Location", to);
}

std::function<std::string(const std::string&)> Params(const httplib::Request& request) {
    return [&request](const std::string& name) {
        return request.has_param(name.c_str()) ? request.get_param_value(name.c_str())
                                               : std::string();
    };
}

// A filter of this month's calls.
TCallFilter MonthFilter() {
    const report::TPeriod month =
        report::PresetPeriod(report::TPeriodPreset::ThisMonth, LocalNow());
    TCallFilter filter;
    filter.From = report::DateTimeText(*month.From).substr(0, 10);
    filter.To = report::DateTimeText(*month.To).substr(0, 10);
    return filter;
}

} // namespace

TWebServer::TWebServer(const TServerSettings& settings, std::vector<TUser> users, TCallData& calls,
                       const report::TDirectory& directory)
    : Settings(settings), Calls(calls), Directory(directory) {
    for (TUser& user : users) {
        if (!ScopeOf(user).Resolves()) {
            std::cerr << "warning: user " << user.Name
                      << " sees no calls: a site needs --store, a department --directory\n";
        }
        Users.emplace(user.Name, std::move(user));
    }
    UnknownUserHash = HashPassword(RandomToken());
    Tls = !settings.CertFile.empty();
    if (Tls) {
        Http = std::make_unique<httplib::SSLServer>(settings.CertFile.c_str(),
                                                    settings.KeyFile.c_str());
    } else {
        Http = std::make_unique<httplib::Server>();
    }
    // Every socket wait is bounded: a slow or silent client holds a worker for
    // at most these, and a stop waits for no more than them.
    Http->set_read_timeout(10, 0);
    Http->set_write_timeout(10, 0);
    Http->set_keep_alive_timeout(2);
    Http->set_keep_alive_max_count(100);
    Http->set_payload_max_length(64 * 1024);
    Route();
}

TWebServer::~TWebServer() = default;

int TWebServer::Bind() {
    if (Tls && !Http->is_valid()) {
        std::cerr << "error: cannot use the certificate " << Settings.CertFile << " with the key "
                  << Settings.KeyFile << "\n";
        return -1;
    }
    const int port = Settings.Port == 0
                         ? Http->bind_to_any_port(Settings.Host)
                         : (Http->bind_to_port(Settings.Host, Settings.Port) ? Settings.Port : -1);
    if (port < 0) {
        std::cerr << "error: cannot listen on " << Settings.Host << ":" << Settings.Port << "\n";
        return -1;
    }
    std::cerr << "info: listening on " << (Tls ? "https://" : "http://") << Settings.Host << ":"
              << port << "\n";
    return port;
}

bool TWebServer::Serve() {
    return Http->listen_after_bind();
}

void TWebServer::Stop() {
    Http->stop();
}

void TWebServer::Route() {
    // The signed-in user of a request, or nothing; the session's idle time restarts.
    const auto visit = [this](const httplib::Request& request) -> std::optional<TVisit> {
        const std::optional<std::string> id = CookieValue(request, SessionCookie);
        if (!id) {
            return std::nullopt;
        }
        std::optional<TSession> session = Sessions.Find(*id);
        if (!session) {
            return std::nullopt;
        }
        const auto user = Users.find(session->User);
        if (user == Users.end()) {
            return std::nullopt;
        }
        return TVisit{*id, *session, &user->second};
    };
    using THandler =
        std::function<void(const httplib::Request&, httplib::Response&, const TVisit&)>;
    // A page: without a session the sign-in page in its place (401).
    const auto page = [visit](THandler handler) {
        return [visit, handler](const httplib::Request& request, httplib::Response& response) {
            Secure(response);
            const std::optional<TVisit> visitor = visit(request);
            if (!visitor) {
                response.status = 401;
                response.set_content(SignInPage("", ""), HtmlType);
                return;
            }
            try {
                handler(request, response, *visitor);
            } catch (const ECallsUnavailable& error) {
                response.status = 503;
                response.set_content("Звонки сейчас недоступны: " + std::string(error.what()) +
                                         "\n",
                                     "text/plain; charset=utf-8");
            }
        };
    };
    // A form that changes something: a page that also needs the session's token (CSRF).
    const auto form = [page](THandler handler) {
        return page([handler](const httplib::Request& request, httplib::Response& response,
                              const TVisit& visitor) {
            if (!request.has_param("csrf") ||
                !SameToken(request.get_param_value("csrf"), visitor.Session.FormToken)) {
                response.status = 403;
                response.set_content("Форма устарела: откройте страницу заново.\n",
                                     "text/plain; charset=utf-8");
                return;
            }
            handler(request, response, visitor);
        });
    };

    Http->Get("/", [](const httplib::Request&, httplib::Response& response) {
        Secure(response);
        Redirect(response, "/dashboard");
    });
    Http->Get("/login", [](const httplib::Request&, httplib::Response& response) {
        Secure(response);
        response.set_content(SignInPage("", ""), HtmlType);
    });
    Http->Post("/login", [this](const httplib::Request& request, httplib::Response& response) {
        SignIn(request, response);
    });
    Http->Post("/logout", form([this](const httplib::Request&, httplib::Response& response,
                                      const TVisit& visitor) {
                   Sessions.Close(visitor.SessionId);
                   std::cerr << "info: " << visitor.User->Name << " signed out\n";
                   response.set_header("Set-Cookie", std::string(SessionCookie) +
                                                         "=; Path=/; Max-Age=0; HttpOnly; "
                                                         "SameSite=Strict" +
                                                         (Tls ? "; Secure" : ""));
                   Redirect(response, "/login");
               }));
    Http->Get(
        "/dashboard",
        page([this](const httplib::Request&, httplib::Response& response, const TVisit& visitor) {
            const TScope scope = ScopeOf(*visitor.User);
            const report::TDateTime now = LocalNow();
            const auto calls = Calls.Calls(
                {report::PresetPeriod(report::TPeriodPreset::ThisMonth, now), scope.Site()});
            TDashboard dashboard = DashboardOf(*calls, scope, Calls, Directory, now);
            if (!Settings.AlertJournal.empty()) {
                dashboard.AlertsToday = AlertsToday(Settings.AlertJournal, scope, now);
            }
            response.set_content(DashboardPage({visitor.User->Name, visitor.Session.FormToken},
                                               dashboard, now, scope.Resolves()),
                                 HtmlType);
        }));
    Http->Get("/calls", page([this](const httplib::Request& request, httplib::Response& response,
                                    const TVisit& visitor) {
                  ShowCalls(request, response, visitor.SessionId, *visitor.User);
              }));
    Http->Get("/views",
              page([this](const httplib::Request& request, httplib::Response& response,
                          const TVisit& visitor) { ShowViews(request, response, visitor); }));
    Http->Get("/coverage",
              page([this](const httplib::Request& request, httplib::Response& response,
                          const TVisit& visitor) { ShowCoverage(request, response, visitor); }));
    Http->Get("/calls.csv", page([this](const httplib::Request& request,
                                        httplib::Response& response, const TVisit& visitor) {
                  Export(request, response, *visitor.User, TExportKind::Csv);
              }));
    Http->Get("/calls.xlsx", page([this](const httplib::Request& request,
                                         httplib::Response& response, const TVisit& visitor) {
                  Export(request, response, *visitor.User, TExportKind::Workbook);
              }));
    Http->Get("/api/calls",
              [this, visit](const httplib::Request& request, httplib::Response& response) {
                  Secure(response);
                  const std::optional<TVisit> visitor = visit(request);
                  if (!visitor) {
                      response.status = 401;
                      response.set_content("{\"error\":\"not signed in\"}", "application/json");
                      return;
                  }
                  try {
                      Export(request, response, *visitor->User, TExportKind::Json);
                  } catch (const ECallsUnavailable& error) {
                      response.status = 503;
                      response.set_content(nlohmann::json{{"error", error.what()}}.dump(),
                                           "application/json");
                  }
              });
}

TScope TWebServer::ScopeOf(const TUser& user) const {
    return TScope::Of(user, Directory, Calls.HasSites());
}

void TWebServer::SignIn(const httplib::Request& request, httplib::Response& response) {
    Secure(response);
    const auto params = Params(request);
    const std::string name = params("user");
    const std::string password = params("password");
    const std::string& address = request.remote_addr;
    if (name.size() > 256 || password.size() > 1024) {
        response.status = 400;
        response.set_content(SignInPage("Слишком длинное имя или пароль.", ""), HtmlType);
        return;
    }
    if (const std::int64_t wait = Throttle.WaitSeconds(name, address); wait > 0) {
        response.status = 429;
        response.set_header("Retry-After", std::to_string(wait));
        response.set_content(SignInPage("Слишком много неудачных попыток: повторите через " +
                                            std::to_string(wait) + " с.",
                                        name),
                             HtmlType);
        return;
    }
    const auto user = Users.find(name);
    const bool known = user != Users.end();
    if (!PasswordMatches(password, known ? user->second.PasswordHash : UnknownUserHash) || !known) {
        Throttle.Failed(name, address);
        std::cerr << "warning: wrong user name or password for \"" << name << "\" from " << address
                  << "\n";
        response.status = 401;
        response.set_content(SignInPage("Неверное имя пользователя или пароль.", name), HtmlType);
        return;
    }
    Throttle.Succeeded(name, address);
    const std::string id = Sessions.Open(name);
    std::cerr << "info: " << name << " signed in from " << address << "\n";
    response.set_header("Set-Cookie", std::string(SessionCookie) + "=" + id +
                                          "; Path=/; HttpOnly; SameSite=Strict" +
                                          (Tls ? "; Secure" : ""));
    Redirect(response, "/dashboard");
}

void TWebServer::ShowCalls(const httplib::Request& request, httplib::Response& response,
                           const std::string& sessionId, const TUser& user) {
    TCallsPage page;
    if (request.params.empty()) {
        // The calls page without a filter shows the one used last, else this month.
        const std::optional<TSession> session = Sessions.Find(sessionId);
        if (session && !session->CallsFilter.empty()) {
            Redirect(response, "/calls?" + session->CallsFilter);
            return;
        }
        page.Filter = MonthFilter();
    } else {
        page.Filter = FilterOf(Params(request));
        Sessions.RememberFilter(sessionId, page.Filter.Query());
    }
    const std::optional<TCallQuery> query = ParseFilter(page.Filter, page.Faults);
    const TScope scope = ScopeOf(user);
    const auto calls =
        query ? Calls.Calls({query->Period, scope.Site()}) : std::make_shared<TPricedCalls>();
    if (query) {
        page.Kept = SelectCalls(*calls, scope, *query);
    }
    const std::size_t pages =
        (page.Kept.size() + TCallsPage::RowsPerPage - 1) / TCallsPage::RowsPerPage;
    page.Filter.Page = std::min(page.Filter.Page, std::max<std::size_t>(pages, 1));
    page.Calls = calls.get();
    page.Scope = &scope;
    page.Data = &Calls;
    page.Directory = &Directory;
    const std::optional<TSession> session = Sessions.Find(sessionId);
    response.set_content(CallsPage({user.Name, session ? session->FormToken : ""}, page), HtmlType);
}

void TWebServer::ShowViews(const httplib::Request& request, httplib::Response& response,
                           const TVisit& visitor) {
    TCallFilter filter = FilterOf(Params(request));
    if (filter.From.empty() && filter.To.empty()) {
        const TCallFilter month = MonthFilter();
        filter.From = month.From;
        filter.To = month.To;
    }
    std::string kind = request.has_param("kind") ? request.get_param_value("kind") : "lines";
    const bool departments = kind == "departments" && !Directory.Empty();
    const std::optional<report::TViewKind> view = report::ViewByName(kind);
    std::vector<std::string> faults;
    if (!departments && (!view || *view == report::TViewKind::Calls)) {
        faults.push_back(Directory.Empty() ? "Сводка: lines, trunks или destinations"
                                           : "Сводка: lines, trunks, destinations или departments");
        kind = "lines";
    }
    const std::optional<TCallQuery> query = ParseFilter(filter, faults);
    std::string table;
    if (faults.empty()) {
        const TScope scope = ScopeOf(*visitor.User);
        const auto calls = Calls.Calls({query->Period, scope.Site()});
        const std::vector<std::uint32_t> kept = SelectCalls(*calls, scope, *query);
        const TScopedViews views(*calls, kept, Calls.Table(), Directory);
        table = ViewTable(departments ? views.Departments() : views.View(*view)) +
                TrafficCharts(*calls, kept, query->Period);
    }
    response.set_content(ViewsPage({visitor.User->Name, visitor.Session.FormToken}, filter, kind,
                                   !Directory.Empty(), faults, table),
                         HtmlType);
}

void TWebServer::ShowCoverage(const httplib::Request& request, httplib::Response& response,
                              const TVisit& visitor) {
    TCallFilter filter;
    const auto params = Params(request);
    filter.From = params("from");
    filter.To = params("to");
    if (filter.From.empty() && filter.To.empty()) {
        filter = MonthFilter();
    }
    std::vector<std::string> faults;
    const std::optional<TCallQuery> query = ParseFilter(filter, faults);
    std::vector<TSiteCoverage> coverage;
    if (query && faults.empty()) {
        coverage = Calls.Coverage({query->Period, ScopeOf(*visitor.User).Site()});
    }
    response.set_content(
        CoveragePage({visitor.User->Name, visitor.Session.FormToken}, filter, faults, coverage),
        HtmlType);
}

void TWebServer::Export(const httplib::Request& request, httplib::Response& response,
                        const TUser& user, TExportKind kind) {
    const bool json = kind == TExportKind::Json;
    const TCallFilter filter = FilterOf(Params(request));
    std::vector<std::string> faults;
    if (json && (filter.From.empty() || filter.To.empty())) {
        faults.push_back("from и to: даты в виде ГГГГ-ММ-ДД");
    }
    const std::optional<TCallQuery> query = ParseFilter(filter, faults);
    if (!query || !faults.empty()) {
        std::string text;
        for (const std::string& fault : faults) {
            text += (text.empty() ? "" : "; ") + fault;
        }
        response.status = 400;
        if (json) {
            response.set_content(nlohmann::json{{"error", text}}.dump(), "application/json");
        } else {
            response.set_content(text + "\n", "text/plain; charset=utf-8");
        }
        return;
    }
    const TScope scope = ScopeOf(user);
    const auto calls = Calls.Calls({query->Period, scope.Site()});
    const std::vector<std::uint32_t> kept = SelectCalls(*calls, scope, *query);
    if (json) {
        response.set_content(CallsJson(*calls, kept, scope), "application/json");
        return;
    }
    if (kind == TExportKind::Csv) {
        response.set_header("Content-Disposition", "attachment; filename=\"calls.csv\"");
        response.set_content(CallsCsv(*calls, kept, scope, Calls.Table()),
                             "text/csv; charset=utf-8");
        return;
    }
    try {
        response.set_content(CallsWorkbook(*calls, kept, scope, Calls.Table(),
                                           {"Звонки: " + report::PeriodCaption(query->Period)}),
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
        response.set_header("Content-Disposition", "attachment; filename=\"calls.xlsx\"");
    } catch (const report::EWorkbookError& error) {
        std::cerr << "error: the workbook of " << user.Name << "'s calls: " << error.what() << "\n";
        response.status = 500;
        response.set_content("Книгу не удалось составить: " + std::string(error.what()) + "\n",
                             "text/plain; charset=utf-8");
    }
}

} // namespace tallyvox::web
