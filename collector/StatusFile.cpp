#include "collector/StatusFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <nlohmann/json.hpp>

namespace tallyvox::collector {
namespace {

namespace fs = std::filesystem;

// As many links in a row as the system itself follows.
constexpr int MostLinksFollowed = 40;

std::string Iso(const TCalendarTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
    return text;
}

// The file that path ends at once its symbolic links are followed; a link whose
// target is missing ends at that target, which is then made.
fs::path FollowLinks(fs::path path) {
    for (int hops = 0; hops < MostLinksFollowed && fs::is_symlink(fs::symlink_status(path));
         ++hops) {
        const fs::path target = fs::read_symlink(path);
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

const char* KindOf(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory:
        return "a directory";
    case fs::file_type::character:
    case fs::file_type::block:
        return "a device";
    case fs::file_type::fifo:
        return "a FIFO";
    case fs::file_type::socket:
        return "a socket";
    case fs::file_type::symlink:
        return "a symbolic link that leads nowhere in the end";
    default:
        break;
    }
    return "not a regular file";
}

// The reason why the file at target (links followed) must not be replaced;
// empty when it is a regular file or not there yet.
std::string ProblemOf(const fs::path& target) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target, error);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular) {
        return {};
    }
    if (error) {
        return error.message();
    }
    return KindOf(status.type());
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A new file of the given name, never one that a link there would lead to; one
// left by an earlier process of the same number is taken away first.
int CreateTemporary(const fs::path& path, mode_t mode) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags, mode);
    if (fd < 0 && errno == EEXIST && ::unlink(path.c_str()) == 0) {
        fd = ::open(path.c_str(), flags, mode);
    }
    return fd;
}

} // namespace

std::string StatusJson(const TCollectorStatus& status) {
    nlohmann::json exchange = nullptr;
    if (!status.Serial.empty() || !status.Model.empty()) {
        exchange = {{"model", status.Model},
                    {"serial", status.Serial},
                    {"version", status.Version},
                    {"bufferFill", status.BufferFill},
                    {"bufferCapacity", status.BufferCapacity}};
    }
    const nlohmann::json json = {
        {"state", status.State},
        {"detail", status.Detail},
        {"port", status.Port},
        {"callFile", status.CallFile},
        {"exchange", exchange},
        {"lastContact", status.Contacted ? nlohmann::json(Iso(status.LastContact)) : nullptr},
        {"recordsToday", status.RecordsToday},
        {"linesHeld", status.LinesHeld},
        {"updated", Iso(status.Updated)},
    };
    // Texts that are no valid UTF-8 are replaced, never a reason to fail.
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string StatusFileProblem(const std::string& path) {
    try {
        return ProblemOf(FollowLinks(path));
    } catch (const std::exception& error) {
        return error.what();
    }
}

bool WriteStatusFile(const std::string& path, const TCollectorStatus& status) {
    try {
        const fs::path target = FollowLinks(path);
        if (!ProblemOf(target).empty()) {
            return false;
        }
        // The file keeps the permissions it was given.
        struct stat existing {};
        const mode_t mode =
            ::stat(target.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644;
        fs::path temporary = target;
        temporary += ".tmp" + std::to_string(::getpid());
        const int fd = CreateTemporary(temporary, mode);
        if (fd < 0) {
            return false;
        }
        const bool written = WriteAll(fd, StatusJson(status)) && ::fchmod(fd, mode) == 0;
        if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return false;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace tallyvox::collector
