#include "settings/OutConfig.h"

#include <algorithm>

namespace tallyvox {

namespace {

constexpr std::string_view TariffKey = "TARIF_FNAME=";
constexpr std::string_view RealTimeKey = "REALTIME_FNAME=";
constexpr std::string_view AutoKey = "AUTO=";
constexpr std::string_view TariffTableKey = "TARIFFS=";
constexpr std::string_view AlertRulesKey = "ALERTS=";
constexpr std::string_view DirectoryKey = "DIRECTORY=";
constexpr std::string_view AutoContinuousValue = "AUTOSTART_UNINTERRUPT";
constexpr std::string_view AutoOnceValue = "AUTOSTART_1";
// What an editor that saves UTF-8 may put before the first key.
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view Blanks = " \t";

// The value column is fixed at the key's length whatever the key's position;
// a line that holds the key further in is at least that long, so this is a guard.
std::string_view ValueAfter(std::string_view line, std::string_view key) {
    return line.substr(std::min(key.size(), line.size()));
}

bool Contains(std::string_view line, std::string_view key) {
    return line.find(key) != std::string_view::npos;
}

int AutoStartOfValue(std::string_view value) {
    if (value == AutoContinuousValue) {
        return AutoStartContinuous;
    }
    if (value == AutoOnceValue) {
        return AutoStartOnce;
    }
    return AutoStartNone;
}

std::string_view ValueOfAutoStart(int autoStart) {
    switch (autoStart) {
    case AutoStartContinuous:
        return AutoContinuousValue;
    case AutoStartOnce:
        return AutoOnceValue;
    default:
        return {};
    }
}

// Blanks in front of a key would otherwise move the value's fixed column into
// the key itself.
std::string_view WithoutLeadingBlanks(std::string_view line) {
    return line.substr(std::min(line.find_first_not_of(Blanks), line.size()));
}

void ApplyLine(std::string_view line, TOutConfig& config) {
    line = WithoutLeadingBlanks(line);
    if (Contains(line, TariffKey)) {
        config.TariffFileName = ValueAfter(line, TariffKey);
    }
    if (Contains(line, RealTimeKey)) {
        config.RealTimeFileName = ValueAfter(line, RealTimeKey);
    }
    if (Contains(line, AutoKey)) {
        config.AutoStart = AutoStartOfValue(ValueAfter(line, AutoKey));
    }
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
    return lines;
}

void ApplyOutConfig(std::string_view fileText, TOutConfig& config) {
    if (fileText.starts_with(Utf8ByteOrderMark)) {
        fileText.remove_prefix(Utf8ByteOrderMark.size());
    }
    for (const std::string_view line : SplitLines(fileText)) {
        ApplyLine(line, config);
    }
}

std::string FormatOutConfig(const TOutConfig& config) {
    std::string text;
    text.append(TariffKey).append(config.TariffFileName).append("\r\n");
    text.append(RealTimeKey).append(config.RealTimeFileName).append("\r\n");
    text.append(AutoKey).append(ValueOfAutoStart(config.AutoStart));
    return text;
}

namespace {

// The value on the last line that starts with the key (after blanks).
std::string LastValueOf(std::string_view fileText, std::string_view key) {
    std::string value;
    for (const std::string_view line : SplitLines(fileText)) {
        if (WithoutLeadingBlanks(line).starts_with(key)) {
            value = WithoutLeadingBlanks(line).substr(key.size());
        }
    }
    return value;
}

// fileText with its lines of the key replaced by one of the value at the end
// (none for an empty value); every other line keeps its bytes.
std::string WithValueLine(std::string_view fileText, std::string_view key, std::string_view value) {
    std::string text;
    std::size_t start = 0;
    while (start < fileText.size()) {
        std::size_t end = fileText.find_first_of("\r\n", start);
        end = end == std::string_view::npos ? fileText.size()
                                            : end + (fileText.substr(end, 2) == "\r\n" ? 2 : 1);
        const std::string_view line = fileText.substr(start, end - start);
        if (!WithoutLeadingBlanks(line).starts_with(key)) {
            text += line;
        }
        start = end;
    }
    if (value.empty()) {
        return text;
    }
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
        text += "\r\n";
    }
    return text.append(key).append(value);
}

} // namespace

std::string TariffTableOf(std::string_view fileText) {
    return LastValueOf(fileText, TariffTableKey);
}

std::string AlertRulesOf(std::string_view fileText) {
    return LastValueOf(fileText, AlertRulesKey);
}

std::string WithTariffTable(std::string_view fileText, std::string_view tariffTable) {
    return WithValueLine(fileText, TariffTableKey, tariffTable);
}

std::string WithAlertRules(std::string_view fileText, std::string_view rulesFile) {
    return WithValueLine(fileText, AlertRulesKey, rulesFile);
}

std::string DirectoryOf(std::string_view fileText) {
    return LastValueOf(fileText, DirectoryKey);
}

std::string WithDirectory(std::string_view fileText, std::string_view directory) {
    return WithValueLine(fileText, DirectoryKey, directory);
}

} // namespace tallyvox
