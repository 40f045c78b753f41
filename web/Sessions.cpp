#include "web/Sessions.h"

#include "web/Secrets.h"

namespace tallyvox::web {

std::string TSessions::Open(const std::string& user) {
    const std::string id = RandomToken();
    const auto now = TClock::now();
    std::lock_guard lock(Mutex);
    DropIdle(now);
    // A flood of sign-ins cannot grow the table without bound: the session
    // unused the longest goes first.
    if (Entries.size() >= MostSessions) {
        auto oldest = Entries.begin();
        for (auto it = Entries.begin(); it != Entries.end(); ++it) {
            if (it->second.LastUse < oldest->second.LastUse) {
                oldest = it;
            }
        }
        Entries.erase(oldest);
    }
    Entries[id] = {{user, RandomToken(), {}}, now};
    return id;
}

std::optional<TSession> TSessions::Find(const std::string& id) {
    const auto now = TClock::now();
    std::lock_guard lock(Mutex);
    const auto found = Entries.find(id);
    if (found == Entries.end() || now - found->second.LastUse > IdleLimit) {
        return std::nullopt;
    }
    found->second.LastUse = now;
    return found->second.Session;
}

void TSessions::RememberFilter(const std::string& id, const std::string& query) {
    std::lock_guard lock(Mutex);
    const auto found = Entries.find(id);
    if (found != Entries.end()) {
        found->second.Session.CallsFilter = query;
    }
}

void TSessions::Close(const std::string& id) {
    std::lock_guard lock(Mutex);
    Entries.erase(id);
}

void TSessions::DropIdle(TClock::time_point now) {
    std::erase_if(Entries,
                  [&](const auto& entry) { return now - entry.second.LastUse > IdleLimit; });
}

} // namespace tallyvox::web
