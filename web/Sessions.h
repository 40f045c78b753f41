#pragma once
// The signed-in browsers: a random session id (the cookie) to the user's name,
// the token its forms carry, and the last filter of its calls page. Sessions
// end after a working day without a request, or on signing out.

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tallyvox::web {

struct TSession {
    std::string User;
    std::string FormToken;   // carried by every form of the session (CSRF)
    std::string CallsFilter; // the query of the calls page last shown
};

class TSessions {
public:
    using TClock = std::chrono::steady_clock;
    static constexpr std::chrono::hours IdleLimit{12};
    static constexpr std::size_t MostSessions = 10000;

    // A new session for user; its id.
    std::string Open(const std::string& user);
    // The session of id, its idle time restarted; nothing when there is none.
    std::optional<TSession> Find(const std::string& id);
    void RememberFilter(const std::string& id, const std::string& query);
    void Close(const std::string& id);

private:
    struct TEntry {
        TSession Session;
        TClock::time_point LastUse;
    };
    void DropIdle(TClock::time_point now);

    std::mutex Mutex;
    std::map<std::string, TEntry> Entries;
};

} // namespace tallyvox::web
