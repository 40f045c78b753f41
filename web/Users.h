#pragma once
// The people who may sign in to the web view, read from the TOML users file an
// administrator edits. The file is read whole: any fault refuses it, with every
// faulty line and what is wrong.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvox::web {

// What a user may see: every call, one site of the store, one department of the
// directory, or the calls of their own lines.
enum class TRole { Admin, Site, Department, Person };

struct TUser {
    std::string Name;
    std::string PasswordHash; // "$argon2id$..."
    TRole Role = TRole::Person;
    std::string Site;               // role site
    std::string Department;         // role department
    std::vector<std::string> Lines; // role person: hardware lines
    std::uint32_t MaskDigits = 0;   // the last digits of a dialled number hidden
};

struct TUsersFault {
    std::size_t Line = 0;
    std::string What;
};

// A refused file; what() lists every fault, one a line, as "line N: what".
class EUsersError : public std::runtime_error {
public:
    explicit EUsersError(std::vector<TUsersFault> faults);
    const std::vector<TUsersFault>& Faults() const { return Faults_; }

private:
    std::vector<TUsersFault> Faults_;
};

// The users of a text; fileName names it in messages. Throws EUsersError.
std::vector<TUser> ReadUsersText(std::string_view text, const std::string& fileName = {});
// The users of a file. Throws EUsersError, or std::system_error when the file
// cannot be read.
std::vector<TUser> ReadUsersFile(const std::string& fileName);

} // namespace tallyvox::web
