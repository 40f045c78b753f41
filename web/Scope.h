#pragma once
// The calls a user may see, and how they see a dialled number. Every page and
// every answer of the API goes through the scope of the signed-in user, whatever
// its address asks for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/Directory.h"
#include "report/Types.h"
#include "web/Users.h"

namespace tallyvox::web {

class TScope {
public:
    // The scope of user. A department holds the calls whose line the directory
    // places in it on the call's start. With calls in sites (the store's), the
    // user's site narrows every other part of the scope, and a site user sees
    // their site whole; without them a site holds no call (Resolves() tells so).
    // directory outlives the scope.
    static TScope Of(const TUser& user, const report::TDirectory& directory, bool sites);

    bool Holds(const report::TExtStr_rep& call) const;
    // Whether the scope can name its calls; false for a department or site that
    // this view cannot yet look up.
    bool Resolves() const { return Everything || !Lines.empty() || Directory != nullptr; }
    // The one site of the store the scope is within; none: every site.
    const std::optional<std::string>& Site() const { return Site_; }
    // The dialled number with its last digits hidden as the user's mask asks.
    std::string Masked(std::string_view dialled) const;
    // Whether the shown part of dialled begins with prefix: a prefix cannot
    // find out the hidden digits.
    bool PrefixMatches(std::string_view dialled, std::string_view prefix) const;

private:
    bool Everything = false;
    std::vector<std::string> Lines;                // hardware lines without blanks
    const report::TDirectory* Directory = nullptr; // for a department's scope
    std::string Department;                        // Windows-1251, as the directory
    std::uint32_t MaskDigits = 0;
    std::optional<std::string> Site_;
};

// The hardware line without the blanks of its three columns ("  7" is "7").
std::string_view LineDigits(std::string_view hardwareLine);

} // namespace tallyvox::web
