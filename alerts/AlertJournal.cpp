#include "alerts/AlertJournal.h"

#include <cerrno>
#include <charconv>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <system_error>

#include "callfile/AppendFile.h"

namespace tallyvox::alerts {

namespace {

constexpr std::size_t StampLength = 19; // "YYYY-MM-DD hh:mm:ss"

std::string Clean(std::string text) {
    for (char& c : text) {
        c = c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
    }
    return text;
}

template <typename T> bool NumberOf(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<std::int64_t> ParseStamp(std::string_view text) {
    std::tm local{};
    if (text.size() != StampLength || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || !NumberOf(text.substr(0, 4), local.tm_year) ||
        !NumberOf(text.substr(5, 2), local.tm_mon) || !NumberOf(text.substr(8, 2), local.tm_mday) ||
        !NumberOf(text.substr(11, 2), local.tm_hour) ||
        !NumberOf(text.substr(14, 2), local.tm_min) ||
        !NumberOf(text.substr(17, 2), local.tm_sec)) {
        return std::nullopt;
    }
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

std::string IdsText(const std::vector<std::uint64_t>& ids) {
    std::string text;
    for (const std::uint64_t id : ids) {
        text += (text.empty() ? "" : ",") + std::to_string(id);
    }
    return text;
}

bool ParseIds(std::string_view text, std::vector<std::uint64_t>& ids) {
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        if (!NumberOf(text.substr(start, comma - start), ids.emplace_back())) {
            return false;
        }
        start = comma + 1;
    }
    return true;
}

// The text fields of an alert entry, by key, in the order written.
using TAlertField = std::string TAlertCall::*;
const std::vector<std::pair<std::string_view, TAlertField>>& CallFields() {
    static const std::vector<std::pair<std::string_view, TAlertField>> fields{
        {"date", &TAlertCall::Date},         {"time", &TAlertCall::Time},
        {"line", &TAlertCall::Line},         {"program", &TAlertCall::Program},
        {"trunk", &TAlertCall::Trunk},       {"number", &TAlertCall::Number},
        {"duration", &TAlertCall::Duration}, {"cost", &TAlertCall::Cost},
        {"call", &TAlertCall::Text}};
    return fields;
}

std::string AlertFields(const TAlert& alert) {
    std::string text = "\tid=" + std::to_string(alert.Id) + "\trule=" + Clean(alert.Rule) +
                       "\tlevel=" + LevelWord(alert.Level) + "\tat=" + std::to_string(alert.At);
    for (const auto& [key, field] : CallFields()) {
        text += "\t" + std::string(key) + "=" + Clean(alert.Call.*field);
    }
    return text;
}

// Sets the entry's member that key names; false for a value that is wrong.
// Keys it does not know are passed over (later additions).
bool TakeField(TJournalEntry& entry, std::string_view key, std::string_view value) {
    for (const auto& [name, field] : CallFields()) {
        if (key == name) {
            entry.Alert.Call.*field = value;
            return true;
        }
    }
    if (key == "rule") {
        entry.Alert.Rule = value;
    } else if (key == "level") {
        entry.Alert.Level = value == "critical" ? TLevel::Critical : TLevel::Warning;
    } else if (key == "channel") {
        entry.Channel = value;
    } else if (key == "detail") {
        entry.Detail = value;
    } else if (key == "id") {
        return NumberOf(value, entry.Alert.Id);
    } else if (key == "at") {
        return NumberOf(value, entry.Alert.At);
    } else if (key == "ids") {
        return ParseIds(value, entry.Ids);
    }
    return true;
}

const std::map<std::string_view, TJournalEvent>& EventWords() {
    static const std::map<std::string_view, TJournalEvent> words{{"alert", TJournalEvent::Alert},
                                                                 {"sent", TJournalEvent::Sent},
                                                                 {"failed", TJournalEvent::Failed}};
    return words;
}

} // namespace

std::string TAlert::Key() const {
    return Rule + '\t' + std::to_string(At) + '\t' + Call.Date + '\t' + Call.Time + '\t' +
           Call.Line + '\t' + Call.Number;
}

const char* LevelWord(TLevel level) {
    return level == TLevel::Critical ? "critical" : "warning";
}

std::string AlertJournalOf(const std::string& callFileName) {
    return callFileName + ".alerts";
}

std::string LocalStamp(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string FormatJournalEntry(const TJournalEntry& entry) {
    std::string line = LocalStamp(entry.Time) + '\t';
    switch (entry.Event) {
    case TJournalEvent::Alert:
        return line + "alert" + AlertFields(entry.Alert);
    case TJournalEvent::Sent:
        return line + "sent\tchannel=" + Clean(entry.Channel) + "\tids=" + IdsText(entry.Ids);
    case TJournalEvent::Failed:
        break;
    }
    return line + "failed\tchannel=" + Clean(entry.Channel) + "\tids=" + IdsText(entry.Ids) +
           "\tdetail=" + Clean(entry.Detail);
}

std::optional<TJournalEntry> ParseJournalEntry(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    const std::size_t tab = line.find('\t');
    const std::optional<std::int64_t> time = ParseStamp(line.substr(0, tab));
    if (!time || tab == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(tab + 1);
    const std::size_t wordEnd = std::min(rest.find('\t'), rest.size());
    const auto event = EventWords().find(rest.substr(0, wordEnd));
    if (event == EventWords().end()) {
        return std::nullopt;
    }
    TJournalEntry entry;
    entry.Time = *time;
    entry.Event = event->second;
    entry.Alert.Raised = *time;
    rest.remove_prefix(wordEnd);
    while (!rest.empty()) {
        rest.remove_prefix(1); // the tab
        const std::string_view field = rest.substr(0, rest.find('\t'));
        const std::size_t equals = field.find('=');
        if (equals == std::string_view::npos ||
            !TakeField(entry, field.substr(0, equals), field.substr(equals + 1))) {
            return std::nullopt;
        }
        rest.remove_prefix(field.size());
    }
    const bool complete =
        entry.Event == TJournalEvent::Alert ? entry.Alert.Id != 0 : !entry.Ids.empty();
    return complete ? std::optional<TJournalEntry>(std::move(entry)) : std::nullopt;
}

bool AppendJournalEntries(const std::string& journalName,
                          const std::vector<TJournalEntry>& entries) {
    try {
        std::string bytes;
        for (const TJournalEntry& entry : entries) {
            bytes += FormatJournalEntry(entry) + "\r\n";
        }
        const std::filesystem::path path(journalName);
        const callfile::TFileHandle file = callfile::OpenForAppend(path);
        // A line torn by a full disk is closed first, so the entries stand on their own.
        return file &&
               callfile::WriteWhole(file.get(), path, callfile::MissingLineEnd(path) + bytes);
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<TJournalEntry> LoadAlertJournal(const std::string& journalName) {
    std::vector<TJournalEntry> entries;
    std::ifstream in(journalName, std::ios::binary);
    if (!in) {
        std::error_code missing;
        if (!std::filesystem::exists(journalName, missing)) {
            return entries;
        }
        throw std::system_error(errno, std::generic_category(), journalName);
    }
    for (std::string line; std::getline(in, line);) {
        if (std::optional<TJournalEntry> entry = ParseJournalEntry(line)) {
            entries.push_back(std::move(*entry));
        }
    }
    if (in.bad()) {
        throw std::system_error(EIO, std::generic_category(), journalName);
    }
    return entries;
}

} // namespace tallyvox::alerts
