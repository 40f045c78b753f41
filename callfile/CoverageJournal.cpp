#include "callfile/CoverageJournal.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <vector>

#include "callfile/AppendFile.h"
#include "model/FilePath.h"

namespace tallyvox::callfile {
namespace {

constexpr const char* ReadingWord = "reading";
constexpr const char* GapWord = "gap";
constexpr std::size_t StampLength = 19; // "YYYY-MM-DD hh:mm:ss"

std::string Clean(std::string text) {
    for (char& c : text) {
        c = c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
    }
    return text;
}

std::string Stamp(const TCalendarTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
    return text;
}

template <typename T> bool NumberOf(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<TCalendarTime> ParseStamp(std::string_view text) {
    TCalendarTime time;
    if (text.size() != StampLength || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || !NumberOf(text.substr(0, 4), time.Year) ||
        !NumberOf(text.substr(5, 2), time.Month) || !NumberOf(text.substr(8, 2), time.Day) ||
        !NumberOf(text.substr(11, 2), time.Hour) || !NumberOf(text.substr(14, 2), time.Minute) ||
        !NumberOf(text.substr(17, 2), time.Second)) {
        return std::nullopt;
    }
    return time;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// Sets the entry's member that key names; false for a value that is no number
// where one is wanted. Keys it does not know are passed over (later additions).
bool TakeField(TCoverageEntry& entry, std::string_view key, std::string_view value) {
    if (key == "serial") {
        entry.Serial = value;
    } else if (key == "model") {
        entry.Model = value;
    } else if (key == "reason") {
        entry.Reason = value;
    } else if (key == "detail") {
        entry.Detail = value;
    } else if (key == "fill") {
        return NumberOf(value, entry.Fill);
    } else if (key == "capacity") {
        return NumberOf(value, entry.Capacity);
    } else if (key == "records") {
        return NumberOf(value, entry.Records);
    } else if (key == "offset") {
        return NumberOf(value, entry.CallFileOffset.emplace());
    } else if (key == "file") {
        return NumberOf(value, entry.CallFileId);
    }
    return true;
}

} // namespace

bool BufferNearlyFull(int fill, int capacity) {
    return capacity > 0 && static_cast<long long>(fill) * 100 >
                               static_cast<long long>(capacity) * BufferWarningPercent;
}

std::string CoverageJournalOf(const std::string& callFileName) {
    return callFileName + ".coverage";
}

void NoteCallFilePlace(TCoverageEntry& entry, const std::string& callFileName) {
    std::error_code error;
    const std::filesystem::path path = FilePathOfText(callFileName);
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    entry.CallFileOffset = error ? 0 : static_cast<std::uint64_t>(size);
    struct stat info {};
    entry.CallFileId = !error && ::stat(path.string().c_str(), &info) == 0
                           ? static_cast<std::uint64_t>(info.st_ino)
                           : 0;
}

std::string FormatCoverageEntry(const TCoverageEntry& entry) {
    std::string line = Stamp(entry.Time) + '\t';
    if (entry.Event == TCoverageEvent::Reading) {
        line += std::string(ReadingWord) + "\tserial=" + Clean(entry.Serial) +
                "\tmodel=" + Clean(entry.Model) + "\tfill=" + std::to_string(entry.Fill) +
                "\tcapacity=" + std::to_string(entry.Capacity);
        if (entry.CallFileOffset) {
            line += "\toffset=" + std::to_string(*entry.CallFileOffset) +
                    "\tfile=" + std::to_string(entry.CallFileId);
        }
    } else {
        line += std::string(GapWord) + "\treason=" + Clean(entry.Reason) +
                "\trecords=" + std::to_string(entry.Records);
        if (!entry.Detail.empty()) {
            line += "\tdetail=" + Clean(entry.Detail);
        }
    }
    return line;
}

std::optional<TCoverageEntry> ParseCoverageEntry(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 2) {
        return std::nullopt;
    }
    const std::optional<TCalendarTime> time = ParseStamp(fields[0]);
    if (!time || (fields[1] != ReadingWord && fields[1] != GapWord)) {
        return std::nullopt;
    }
    TCoverageEntry entry;
    entry.Time = *time;
    entry.Event = fields[1] == ReadingWord ? TCoverageEvent::Reading : TCoverageEvent::Gap;
    for (std::size_t i = 2; i < fields.size(); ++i) {
        const std::size_t equals = fields[i].find('=');
        if (equals == std::string_view::npos ||
            !TakeField(entry, fields[i].substr(0, equals), fields[i].substr(equals + 1))) {
            return std::nullopt;
        }
    }
    if (entry.Event == TCoverageEvent::Gap && entry.Reason.empty()) {
        return std::nullopt;
    }
    return entry;
}

bool AppendCoverageEntry(const std::string& journalName, const TCoverageEntry& entry) {
    try {
        const std::filesystem::path path = FilePathOfText(journalName);
        const TFileHandle file = OpenForAppend(path);
        // A line torn by a full disk is closed first, so the entry stands on its own.
        return file && WriteWhole(file.get(), path,
                                  MissingLineEnd(path) + FormatCoverageEntry(entry) + "\r\n");
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace tallyvox::callfile
