#include "exchange/PortNames.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace tallyvox {
namespace {

// The n of "COMn" when the name is one, else 0.
int ComPortNumber(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0 || name.size() > 6) {
        return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(name[i])) == 0) {
            return 0;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

} // namespace

std::string ResolvePortDevice(const std::string& name) {
    if (!name.empty() && name.front() == '/') {
        return name;
    }
    const int number = ComPortNumber(name);
    if (number < 1) {
        return name;
    }
    const std::string variable = "TALLYVOX_COM" + std::to_string(number);
    const char* mapped = std::getenv(variable.c_str());
    if (mapped != nullptr && *mapped != '\0') {
        return mapped;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

} // namespace tallyvox
