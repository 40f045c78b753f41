#pragma once
// Password hashes and random tokens, from libsodium.

#include <string>

namespace tallyvox::web {

// Starts the library; false when the system gives it no randomness.
bool StartSecrets();
// An Argon2id hash of password in the library's text form ("$argon2id$...").
std::string HashPassword(const std::string& password);
// Whether password is the one hashed; a malformed hash matches nothing.
bool PasswordMatches(const std::string& password, const std::string& hash);
// 32 random bytes as 64 hex digits: session ids and form tokens.
std::string RandomToken();
// Compares two tokens in a time that does not depend on where they differ.
bool SameToken(const std::string& a, const std::string& b);

} // namespace tallyvox::web
