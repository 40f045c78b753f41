#pragma once
// Environment variables overridden for one scope (TALLYVOX_COMn and the like):
// the first change of a variable saves its value, and the destructor puts every
// changed variable back as it was, unset where it was unset.

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace tallyvox::testkit {

class TScopedEnvironment {
public:
    TScopedEnvironment() = default;
    // Sets one variable at once; a null value unsets it.
    TScopedEnvironment(const std::string& name, const char* value) {
        if (value != nullptr) {
            Set(name, value);
        } else {
            Unset(name);
        }
    }
    ~TScopedEnvironment() {
        for (const auto& [name, previous] : Saved) {
            if (previous) {
                setenv(name.c_str(), previous->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value) {
        Save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Save(name);
        unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name) {
        if (Saved.find(name) == Saved.end()) {
            const char* previous = std::getenv(name.c_str());
            Saved[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
        }
    }

    std::map<std::string, std::optional<std::string>> Saved;
};

} // namespace tallyvox::testkit
