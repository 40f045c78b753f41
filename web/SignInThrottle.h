#pragma once
// Slows down guessing passwords: after three wrong passwords for a user name or
// from an address, the next attempt for it waits 1 s, after each further one
// 2 s, 4 s ... up to a minute; attempts within the wait are refused without a password check. A
// right password clears the count.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace tallyvox::web {

class TSignInThrottle {
public:
    using TClock = std::chrono::steady_clock;
    static constexpr std::uint32_t FreeAttempts = 3;
    static constexpr std::chrono::seconds LongestWait{60};

    // Seconds to wait before user may try from address; 0: try now.
    std::int64_t WaitSeconds(const std::string& user, const std::string& address);
    void Failed(const std::string& user, const std::string& address);
    void Succeeded(const std::string& user, const std::string& address);

private:
    struct TCount {
        std::uint32_t Failures = 0;
        TClock::time_point NotBefore;
    };
    void Fail(const std::string& key, TClock::time_point now);
    std::int64_t Wait(const std::string& key, TClock::time_point now) const;

    std::mutex Mutex;
    std::map<std::string, TCount> Counts; // "user:" or "address:" and the name
};

} // namespace tallyvox::web
