#include "delivery/PasswordFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "delivery/Curl.h"

namespace tallyvox::delivery {

std::optional<std::string> PasswordFileFault(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        return fileName + ": " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return fileName + " is not a file";
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return fileName + " may be read by others than its owner (chmod 600 it)";
    }
    return std::nullopt;
}

std::string ReadPasswordFile(const std::string& fileName) {
    if (const std::optional<std::string> fault = PasswordFileFault(fileName)) {
        throw EDeliveryError("the password file " + *fault);
    }
    std::ifstream in(fileName, std::ios::binary);
    std::string password;
    if (!in || (!std::getline(in, password) && !in.eof())) {
        throw EDeliveryError("cannot read the password file " + fileName);
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return password;
}

} // namespace tallyvox::delivery
