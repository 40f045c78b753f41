#include "web/Scope.h"

#include <algorithm>

#include "text/Cp1251.h"

namespace tallyvox::web {

std::string_view LineDigits(std::string_view hardwareLine) {
    const std::size_t first = hardwareLine.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return hardwareLine.substr(first, hardwareLine.find_last_not_of(' ') - first + 1);
}

TScope TScope::Of(const TUser& user, const report::TDirectory& directory, bool sites) {
    TScope scope;
    scope.MaskDigits = user.MaskDigits;
    if (sites && !user.Site.empty()) {
        scope.Site_ = user.Site;
    }
    switch (user.Role) {
    case TRole::Admin:
        scope.Everything = true;
        break;
    case TRole::Person:
        scope.Lines = user.Lines;
        break;
    case TRole::Department:
        if (!directory.Empty()) {
            scope.Directory = &directory;
            scope.Department = text::Utf8ToCp1251(user.Department);
        }
        break;
    case TRole::Site:
        scope.Everything = scope.Site_.has_value(); // of the site, which the calls are read for
        break;
    }
    return scope;
}

bool TScope::Holds(const report::TExtStr_rep& call) const {
    if (Everything) {
        return true;
    }
    if (Directory != nullptr) {
        const report::TDirectoryEntry* person = Directory->PersonOf(call);
        return person != nullptr && person->Department == Department;
    }
    const std::string_view line = LineDigits(call.HardwareLine);
    return std::find(Lines.begin(), Lines.end(), line) != Lines.end();
}

std::string TScope::Masked(std::string_view dialled) const {
    std::string masked(dialled);
    const std::size_t hidden = std::min<std::size_t>(MaskDigits, masked.size());
    masked.replace(masked.size() - hidden, hidden, hidden, '*');
    return masked;
}

bool TScope::PrefixMatches(std::string_view dialled, std::string_view prefix) const {
    const std::size_t shown = dialled.size() - std::min<std::size_t>(MaskDigits, dialled.size());
    return prefix.empty() || (prefix.size() <= shown && dialled.starts_with(prefix));
}

} // namespace tallyvox::web
