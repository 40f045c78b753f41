#include "web/Secrets.h"

#include <array>
#include <stdexcept>

#include <sodium.h>

namespace tallyvox::web {

bool StartSecrets() {
    return sodium_init() >= 0;
}

std::string HashPassword(const std::string& password) {
    std::array<char, crypto_pwhash_STRBYTES> hash{};
    // The interactive limits (64 MiB, a fraction of a second) keep a sign-in quick
    // and a guessed password dear.
    if (crypto_pwhash_str(hash.data(), password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        throw std::runtime_error("not enough memory to hash the password");
    }
    return hash.data();
}

bool PasswordMatches(const std::string& password, const std::string& hash) {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

std::string RandomToken() {
    std::array<unsigned char, 32> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    std::array<char, bytes.size() * 2 + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
    return hex.data();
}

bool SameToken(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace tallyvox::web
