// A web users file of any bytes is either refused with its faults, each on a
// line of the text, or read whole into users who each have a name, a password
// hash and the keys their role asks for.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "web/Users.h"

using tallyvox::fuzz::Require;
namespace web = tallyvox::web;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        for (const web::TUser& user : web::ReadUsersText(text)) {
            Require(!user.Name.empty() && !user.PasswordHash.empty(),
                    "a user read has a name and a password hash");
            Require(user.Role != web::TRole::Person || !user.Lines.empty(), "a person has lines");
        }
    } catch (const web::EUsersError& error) {
        Require(!error.Faults().empty(), "a refused file names a fault");
        for (const web::TUsersFault& fault : error.Faults()) {
            Require(fault.Line <= size + 1, "a fault's line is in the text");
        }
    }
    return 0;
}
