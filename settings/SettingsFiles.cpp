#include "settings/SettingsFiles.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "settings/ReplaceFile.h"

namespace tallyvox {

namespace {

constexpr const char* OutConfigBackupSuffix = ".bak";
constexpr std::streamoff SettingsFileSize = 30;
// Byte 0 is the port number, byte 1 the header flag; the rest is never read.
constexpr std::streamoff PortAndHeaderSize = 2;
constexpr std::uint8_t HeaderOnByte = 1;
constexpr std::uint8_t DefaultPortNumber = 1;
constexpr int HighestPortNumber = 8;
constexpr std::string_view PortPrefix = "COM";
// The port digit is the character right after "COM".
constexpr std::size_t PortDigitIndex = 3;

using TSettingsBytes = std::array<char, SettingsFileSize>;

TSettingsBytes SettingsBytes(std::uint8_t portNumber, bool saveHeader) {
    TSettingsBytes bytes{};
    bytes[0] = static_cast<char>(portNumber);
    bytes[1] = static_cast<char>(saveHeader ? HeaderOnByte : 0);
    return bytes;
}

// An empty start path (the current folder could not be named) leaves the bare
// name, which at start-up is in the start folder.
std::filesystem::path InStartDir(const std::filesystem::path& startPath, const char* fileName) {
    return startPath.empty() ? std::filesystem::path(fileName) : startPath / fileName;
}

bool ReplaceWithBytes(const std::filesystem::path& path, const TSettingsBytes& bytes) {
    return ReplaceFile(path, std::string_view(bytes.data(), bytes.size()));
}

std::streamoff SizeOf(std::ifstream& file) {
    file.seekg(0, std::ios::end);
    return file.tellg();
}
// "COM1" to "COM8" for the port bytes 1 to 8; "COM" for any other byte.
std::string PortNameOfByte(std::uint8_t portByte) {
    std::string name(PortPrefix);
    if (portByte >= 1 && portByte <= HighestPortNumber) {
        name += std::to_string(portByte);
    }
    return name;
}

// The digit after "COM" of a port name, or nothing when there is none.
std::optional<std::uint8_t> PortNumberOfName(const std::string& portName) {
    if (portName.size() <= PortDigitIndex ||
        !std::isdigit(static_cast<unsigned char>(portName[PortDigitIndex]))) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(portName[PortDigitIndex] - '0');
}

// The bytes of the settings file that a rewrite keeps: its first 30 (zeros
// where it is shorter, or where there is no file); nothing when the file is there
// but cannot be read, so that it is not rewritten blind.
std::optional<TSettingsBytes> KeptSettingsBytes(const std::filesystem::path& path) {
    TSettingsBytes bytes{};
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return error ? std::nullopt : std::optional(bytes);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        return std::nullopt;
    }
    // Past what a short file holds the bytes stay zero.
    file.read(bytes.data(), bytes.size());
    if (file.bad()) {
        return std::nullopt;
    }
    return bytes;
}

std::string ReadWholeText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        throw std::runtime_error("output configuration not readable");
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        throw std::runtime_error("output configuration not readable");
    }
    return text;
}

enum class TSettingsRead { Done, Damaged, Failed };

// One pass of the settings file: read it, or create it with the defaults when
// there is none. Damaged when the file is there but not 30 bytes long.
TSettingsRead ReadSettingsOnce(const std::filesystem::path& path, TPortSettings& settings) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        // A file that is there but cannot be read is not a first run: it keeps
        // its settings for a start that can read them.
        std::error_code error;
        if (std::filesystem::exists(path, error) || error) {
            return TSettingsRead::Failed;
        }
        if (!ReplaceWithBytes(path, SettingsBytes(DefaultPortNumber, true))) {
            return TSettingsRead::Failed;
        }
        settings = {PortNameOfByte(DefaultPortNumber), true, true};
        return TSettingsRead::Done;
    }
    if (SizeOf(file) != SettingsFileSize) {
        return TSettingsRead::Damaged;
    }
    TSettingsBytes bytes{};
    file.seekg(0);
    if (!file.read(bytes.data(), PortAndHeaderSize)) {
        return TSettingsRead::Failed;
    }
    settings = {PortNameOfByte(static_cast<std::uint8_t>(bytes[0])),
                static_cast<std::uint8_t>(bytes[1]) == HeaderOnByte, false};
    return TSettingsRead::Done;
}

// The file dialogs of the windows may move the current directory; the output
// configuration always lives in the start directory.
std::filesystem::path OutConfigPath(const std::filesystem::path& startPath) {
    if (!startPath.empty()) {
        std::filesystem::current_path(startPath);
    }
    return InStartDir(startPath, OutConfigFileName);
}

} // namespace

std::optional<TPortSettings> ReadSettingsFile(const std::filesystem::path& startPath) {
    try {
        const std::filesystem::path path = InStartDir(startPath, SettingsFileName);
        // A damaged file is deleted and read once more, which re-creates it with the
        // defaults; a file that cannot be deleted or comes back damaged is a failure.
        for (int pass = 0; pass < 2; ++pass) {
            TPortSettings settings;
            const TSettingsRead result = ReadSettingsOnce(path, settings);
            if (result != TSettingsRead::Damaged) {
                return result == TSettingsRead::Done ? std::optional(settings) : std::nullopt;
            }
            if (!std::filesystem::remove(path)) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

TSettingsWrite WriteSettingsFile(const std::filesystem::path& startPath,
                                 const std::string& portName, bool saveHeader) {
    const std::optional<std::uint8_t> portNumber = PortNumberOfName(portName);
    if (!portNumber) {
        return TSettingsWrite::NoPort;
    }
    try {
        const std::filesystem::path path = InStartDir(startPath, SettingsFileName);
        std::optional<TSettingsBytes> bytes = KeptSettingsBytes(path);
        if (!bytes) {
            return TSettingsWrite::Failed;
        }
        const TSettingsBytes chosen = SettingsBytes(*portNumber, saveHeader);
        std::copy_n(chosen.begin(), PortAndHeaderSize, bytes->begin());
        return ReplaceWithBytes(path, *bytes) ? TSettingsWrite::Written : TSettingsWrite::Failed;
    } catch (const std::exception&) {
        return TSettingsWrite::Failed;
    }
}

TOutConfigRead ReadOutConfigFile(const std::filesystem::path& startPath, TOutConfig& config) {
    try {
        const std::filesystem::path path = OutConfigPath(startPath);
        if (!std::filesystem::exists(path)) {
            return TOutConfigRead::Missing;
        }
        TOutConfig read = config;
        ApplyOutConfig(ReadWholeText(path), read);
        config = read;
        return TOutConfigRead::Read;
    } catch (const std::exception&) {
        return TOutConfigRead::Failed;
    }
}

TOutConfigWrite WriteOutConfigFile(const std::filesystem::path& startPath,
                                   const TOutConfig& config) {
    try {
        const std::filesystem::path path = OutConfigPath(startPath);
        // The report window's tariff table, alert rules and directory lines
        // stay as they were; an old file that cannot be read (ReadWholeText throws)
        // is not rewritten.
        const std::string old =
            std::filesystem::is_regular_file(path) ? ReadWholeText(path) : std::string();
        const std::string text = WithDirectory(
            WithAlertRules(WithTariffTable(FormatOutConfig(config), TariffTableOf(old)),
                           AlertRulesOf(old)),
            DirectoryOf(old));
        return ReplaceFile(path, text) ? TOutConfigWrite::Written : TOutConfigWrite::NotReplaced;
    } catch (const std::exception&) {
        return TOutConfigWrite::Failed;
    }
}

bool SetAsideOutConfigFile(const std::filesystem::path& startPath) {
    std::error_code error;
    const std::filesystem::path path = InStartDir(startPath, OutConfigFileName);
    if (!std::filesystem::exists(path, error)) {
        return !error;
    }
    std::filesystem::path backup = path;
    backup += OutConfigBackupSuffix;
    std::filesystem::rename(path, backup, error);
    return !error;
}

} // namespace tallyvox
