#pragma once
// A password kept in a file of its own, so that the rules file can be shown and
// mailed around without it.

#include <optional>
#include <string>

namespace tallyvox::delivery {

// What is wrong with the file as a password file: it cannot be looked at, or
// others than its owner may read it; nothing when it is fit.
std::optional<std::string> PasswordFileFault(const std::string& fileName);

// The file's first line. Throws EDeliveryError when the file is unfit or unreadable.
std::string ReadPasswordFile(const std::string& fileName);

} // namespace tallyvox::delivery
