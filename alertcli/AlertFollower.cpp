#include "alertcli/AlertFollower.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <system_error>

#include "report/FileBlocks.h"

namespace tallyvox::alertcli {

namespace {

struct TFileInfo {
    std::uint64_t Id = 0;
    std::uint64_t Size = 0;
};

std::optional<TFileInfo> InfoOf(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) == 0) {
        return TFileInfo{static_cast<std::uint64_t>(info.st_ino),
                         static_cast<std::uint64_t>(info.st_size)};
    }
    if (errno != ENOENT) {
        throw std::system_error(errno, std::generic_category(), fileName);
    }
    return std::nullopt;
}

} // namespace

std::string AlertMarkOf(const std::string& callFile) {
    return callFile + ".alerts.mark";
}

TAlertFollower::TAlertFollower(std::string callFile, alerts::TLineJudge& judge,
                               alerts::TAlertDelivery& delivery,
                               std::function<void(const alerts::TAlert&)> told)
    : CallFile(std::move(callFile)), MarkFile(AlertMarkOf(CallFile)), Judge(judge),
      Delivery(delivery), Told(std::move(told)), Mark(store::ReadSpoolState(MarkFile)) {
    const std::optional<TFileInfo> file = InfoOf(CallFile);
    if (file && store::MarkHolds(Mark, CallFile, file->Id, file->Size)) {
        Judge.Remember(CallFile, Mark.Delivered);
    }
}

// Judges the whole lines at the start of pending (which begins at offset) and
// drops them; a line still without its end stays.
std::size_t TAlertFollower::JudgeLines(std::string& pending, std::uint64_t& offset) {
    std::size_t raised = 0;
    std::size_t begin = 0;
    for (std::size_t end; (end = pending.find_first_of("\r\n", begin)) != std::string::npos;) {
        std::size_t next = end + 1;
        if (pending[end] == '\r') {
            if (next == pending.size()) {
                break; // its LF may come with the next bytes
            }
            next += pending[next] == '\n' ? 1 : 0;
        }
        const std::vector<alerts::TLineFiring> firings =
            Judge.Judge(pending.substr(begin, end - begin), offset + begin);
        for (const alerts::TAlert& alert :
             Delivery.Raise(alerts::AlertsOf(Judge.Rules(), firings))) {
            Told(alert);
            ++raised;
        }
        ++Lines;
        begin = next;
    }
    pending.erase(0, begin);
    offset += begin;
    return raised;
}

std::size_t TAlertFollower::JudgePending() {
    const std::optional<TFileInfo> file = InfoOf(CallFile);
    if (!file) {
        return 0;
    }
    if (!store::MarkHolds(Mark, CallFile, file->Id, file->Size)) {
        Mark = {}; // another file under the name: judged from its start
    }
    std::size_t raised = 0;
    std::string pending;
    std::uint64_t offset = Mark.Delivered;
    report::ReadFileBlocks(CallFile, Mark.Delivered, file->Size, [&](std::string_view bytes) {
        pending.append(bytes);
        raised += JudgeLines(pending, offset);
    });
    if (offset != Mark.Delivered || Mark.FileId != file->Id) {
        Mark.Delivered = offset;
        Mark.FileId = file->Id;
        std::ifstream in(CallFile, std::ios::binary);
        Mark.Digest = store::DeliveredDigest(in, offset);
        store::WriteSpoolState(MarkFile, Mark);
    }
    return raised;
}

} // namespace tallyvox::alertcli
