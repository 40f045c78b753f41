#include "web/SignInThrottle.h"

#include <algorithm>

namespace tallyvox::web {

namespace {

std::string UserKey(const std::string& user) {
    return "user:" + user;
}
std::string AddressKey(const std::string& address) {
    return "address:" + address;
}

} // namespace

std::int64_t TSignInThrottle::Wait(const std::string& key, TClock::time_point now) const {
    const auto found = Counts.find(key);
    if (found == Counts.end() || found->second.NotBefore <= now) {
        return 0;
    }
    const auto left = found->second.NotBefore - now;
    return std::chrono::ceil<std::chrono::seconds>(left).count();
}

std::int64_t TSignInThrottle::WaitSeconds(const std::string& user, const std::string& address) {
    const auto now = TClock::now();
    std::lock_guard lock(Mutex);
    return std::max(Wait(UserKey(user), now), Wait(AddressKey(address), now));
}

void TSignInThrottle::Fail(const std::string& key, TClock::time_point now) {
    TCount& count = Counts[key];
    ++count.Failures;
    if (count.Failures >= FreeAttempts) {
        const std::uint32_t doublings = std::min<std::uint32_t>(count.Failures - FreeAttempts, 6);
        count.NotBefore = now + std::min<std::chrono::seconds>(
                                    std::chrono::seconds(1u << doublings), LongestWait);
    }
}

void TSignInThrottle::Failed(const std::string& user, const std::string& address) {
    const auto now = TClock::now();
    std::lock_guard lock(Mutex);
    // Counts whose wait is long over are forgotten, so that guessing from many
    // addresses cannot grow the table without bound.
    if (Counts.size() > 100000) {
        std::erase_if(
            Counts, [&](const auto& entry) { return entry.second.NotBefore + LongestWait < now; });
    }
    Fail(UserKey(user), now);
    Fail(AddressKey(address), now);
}

void TSignInThrottle::Succeeded(const std::string& user, const std::string& address) {
    std::lock_guard lock(Mutex);
    Counts.erase(UserKey(user));
    Counts.erase(AddressKey(address));
}

} // namespace tallyvox::web
