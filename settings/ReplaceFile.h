#pragma once
// Replacing a small file as a whole: the new bytes go to a file beside it, which
// then takes its name, so that a crash, a full disk or a failed write leaves the
// old file as it was, never a cut one.

#include <filesystem>
#include <string_view>

namespace tallyvox {

// Writes bytes to a new file beside path and renames it to path (a link is
// followed, so the file it leads to is replaced); an existing file keeps its
// permissions. False, with the old file untouched, when any step fails.
bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace tallyvox
