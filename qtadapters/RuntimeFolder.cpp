#include "qtadapters/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tallyvox::reportcli {

namespace {

// A folder that is this user's alone: not a link, owned by the user, mode 0700.
bool IsPrivateFolder(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & 07777) == 0700;
}

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && folder[0] == '/' ? folder : "/tmp";
}

} // namespace

void UsePrivateRuntimeFolder() {
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current != nullptr && current[0] != '\0') {
        return;
    }
    const std::string base = TemporaryFolder() + "/tallyvox-runtime-";
    std::string folder = base + std::to_string(geteuid());
    mkdir(folder.c_str(), 0700);
    if (!IsPrivateFolder(folder)) {
        // Someone else's, or a link: a fresh folder of a name nobody can guess.
        std::string pattern = base + "XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            return; // Qt then says why it has no runtime folder
        }
        folder = pattern;
    }
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

} // namespace tallyvox::reportcli
