#include "web/Users.h"
#include "text/WholeFile.h"

#include <algorithm>
#include <optional>
#include <set>

#include <toml++/toml.h>

namespace tallyvox::web {

namespace {

std::string FaultsText(const std::vector<TUsersFault>& faults) {
    std::string text;
    for (const TUsersFault& fault : faults) {
        text += "line " + std::to_string(fault.Line) + ": " + fault.What + "\n";
    }
    return text;
}

std::size_t LineOf(const toml::node& node) {
    return node.source().begin.line;
}

// One [[user]] table: each key read once, the rest told as unknown.
class TUserReader {
public:
    TUserReader(const toml::table& table, std::vector<TUsersFault>& faults)
        : Table(table), Faults(faults) {}

    TUser Read() {
        TUser user;
        user.Name = Text("name", true);
        user.PasswordHash = Text("password_hash", true);
        if (!user.PasswordHash.empty() && !user.PasswordHash.starts_with("$argon2id$")) {
            Fault(*Table.get("password_hash"),
                  "password_hash: an Argon2id hash from tallyvox-web --hash-password is expected");
        }
        // A role that is not known asks for none of the keys that go with one.
        const std::optional<TRole> role = Role();
        user.Role = role.value_or(TRole::Person);
        user.Site = Text("site", role == TRole::Site);
        user.Department = Text("department", role == TRole::Department);
        user.Lines = Lines(role == TRole::Person);
        user.MaskDigits = MaskDigits();
        for (const auto& [key, node] : Table) {
            if (!Known.contains(std::string(key.str()))) {
                Fault(node, "unknown key \"" + std::string(key.str()) + "\"");
            }
        }
        return user;
    }

private:
    void Fault(const toml::node& node, std::string what) {
        Faults.push_back({LineOf(node), std::move(what)});
    }
    void Missing(std::string_view key) {
        Faults.push_back({LineOf(Table), "user: " + std::string(key) + " is missing"});
    }

    const toml::node* Key(std::string_view key) {
        Known.insert(std::string(key));
        return Table.get(key);
    }

    std::string Text(std::string_view key, bool required) {
        const toml::node* node = Key(key);
        if (node == nullptr) {
            if (required) {
                Missing(key);
            }
            return {};
        }
        const auto* text = node->as_string();
        if (text == nullptr || text->get().empty()) {
            Fault(*node, std::string(key) + ": a text in quotes is expected");
            return {};
        }
        return text->get();
    }

    std::optional<TRole> Role() {
        const toml::node* node = Key("role");
        const auto* text = node ? node->as_string() : nullptr;
        if (text != nullptr) {
            for (const auto& [name, role] : {std::pair{"admin", TRole::Admin},
                                             {"site", TRole::Site},
                                             {"department", TRole::Department},
                                             {"person", TRole::Person}}) {
                if (text->get() == name) {
                    return role;
                }
            }
        }
        if (node == nullptr) {
            Missing("role");
        } else {
            Fault(*node, "role: \"admin\", \"site\", \"department\" or \"person\" is expected");
        }
        return std::nullopt;
    }

    std::vector<std::string> Lines(bool required) {
        std::vector<std::string> lines;
        const toml::node* node = Key("lines");
        if (node == nullptr) {
            if (required) {
                Missing("lines");
            }
            return lines;
        }
        const auto* array = node->as_array();
        if (array == nullptr || array->empty()) {
            Fault(*node, "lines: a list of hardware lines such as [\"201\"] is expected");
            return lines;
        }
        for (const toml::node& item : *array) {
            const auto* text = item.as_string();
            if (text == nullptr || text->get().empty() || text->get().size() > 3 ||
                text->get().find_first_not_of("0123456789") != std::string::npos) {
                Fault(item, "lines: each entry is a hardware line of up to 3 digits");
                continue;
            }
            lines.push_back(text->get());
        }
        return lines;
    }

    std::uint32_t MaskDigits() {
        const toml::node* node = Key("mask_digits");
        if (node == nullptr) {
            return 0;
        }
        const auto* number = node->as_integer();
        if (number == nullptr || number->get() < 0 || number->get() > 32) {
            Fault(*node, "mask_digits: a whole number from 0 to 32 is expected");
            return 0;
        }
        return static_cast<std::uint32_t>(number->get());
    }

    const toml::table& Table;
    std::vector<TUsersFault>& Faults;
    std::set<std::string> Known;
};

std::vector<TUser> ReadTop(const toml::table& top, std::vector<TUsersFault>& faults) {
    std::vector<TUser> users;
    for (const auto& [key, node] : top) {
        const auto* array = node.as_array();
        if (key.str() != "user" || array == nullptr || !array->is_array_of_tables()) {
            faults.push_back({LineOf(node), "unknown section \"" + std::string(key.str()) +
                                                "\": users are written as [[user]] tables"});
            continue;
        }
        for (const toml::node& item : *array) {
            users.push_back(TUserReader(*item.as_table(), faults).Read());
            const TUser& user = users.back();
            const auto same = [&](const TUser& other) { return other.Name == user.Name; };
            if (!user.Name.empty() && std::count_if(users.begin(), users.end(), same) > 1) {
                faults.push_back({LineOf(item), "name: \"" + user.Name + "\" is given twice"});
            }
        }
    }
    return users;
}

} // namespace

EUsersError::EUsersError(std::vector<TUsersFault> faults)
    : std::runtime_error(FaultsText(faults)), Faults_(std::move(faults)) {}

std::vector<TUser> ReadUsersText(std::string_view text, const std::string& fileName) {
    std::vector<TUsersFault> faults;
    std::vector<TUser> users;
    try {
        users = ReadTop(toml::parse(text, fileName), faults);
    } catch (const toml::parse_error& error) {
        faults.push_back({error.source().begin.line, std::string(error.description())});
    }
    std::stable_sort(faults.begin(), faults.end(),
                     [](const TUsersFault& a, const TUsersFault& b) { return a.Line < b.Line; });
    if (!faults.empty()) {
        throw EUsersError(std::move(faults));
    }
    return users;
}

std::vector<TUser> ReadUsersFile(const std::string& fileName) {
    return ReadUsersText(ReadWholeFile(fileName), fileName);
}

} // namespace tallyvox::web
