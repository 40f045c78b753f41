// The two configuration files of TLowLevel, both in the start directory: the
// 30-byte settings file "Tallyvox.cfg" and the output configuration text.

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "exchange/LowLevel.h"
#include "settings/OutConfig.h"
#include "settings/ReplaceFile.h"

namespace tallyvox {

namespace {

constexpr const char* SettingsFileName = "Tallyvox.cfg";
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
TSettingsRead ReadSettingsOnce(TLowLevel& lowLevel, const std::filesystem::path& path) {
    lowLevel.PortName = PortPrefix;
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
        lowLevel.FirstRun = true;
        lowLevel.PortName = PortNameOfByte(DefaultPortNumber);
        lowLevel.SaveHeader = true;
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
    lowLevel.PortName = PortNameOfByte(static_cast<std::uint8_t>(bytes[0]));
    lowLevel.SaveHeader = static_cast<std::uint8_t>(bytes[1]) == HeaderOnByte;
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

int TLowLevel::ReadSettings() {
    try {
        const std::filesystem::path path = InStartDir(StartPath, SettingsFileName);
        // A damaged file is deleted and read once more, which re-creates it with the
        // defaults; a file that cannot be deleted or comes back damaged is a failure.
        for (int pass = 0; pass < 2; ++pass) {
            const TSettingsRead result = ReadSettingsOnce(*this, path);
            if (result != TSettingsRead::Damaged) {
                return result == TSettingsRead::Done ? ConfigDone : ConfigFailed;
            }
            if (!std::filesystem::remove(path)) {
                return ConfigFailed;
            }
        }
        return ConfigFailed;
    } catch (const std::exception&) {
        return ConfigFailed;
    }
}

int TLowLevel::WriteSettings(const std::string& portName, bool saveHeader) {
    try {
        const std::optional<std::uint8_t> portNumber = PortNumberOfName(portName);
        if (!portNumber) {
            return ConfigFailed;
        }
        // The choice holds for this run even when the file cannot take it: the
        // options dialog has already switched the port, and the result says that
        // the next start will not know it.
        PortName = portName;
        SaveHeader = saveHeader;
        const std::filesystem::path path = InStartDir(StartPath, SettingsFileName);
        std::optional<TSettingsBytes> bytes = KeptSettingsBytes(path);
        if (!bytes) {
            return ConfigFailed;
        }
        const TSettingsBytes chosen = SettingsBytes(*portNumber, saveHeader);
        std::copy_n(chosen.begin(), PortAndHeaderSize, bytes->begin());
        return ReplaceWithBytes(path, *bytes) ? ConfigDone : ConfigFailed;
    } catch (const std::exception&) {
        return ConfigFailed;
    }
}

int TLowLevel::ReadOutConfig() {
    try {
        const std::filesystem::path path = OutConfigPath(StartPath);
        if (!std::filesystem::exists(path)) {
            TariffFileName.clear();
            return OutConfigMissing;
        }
        TOutConfig config{TariffFileName, RealTimeFileName, AutoStart};
        ApplyOutConfig(ReadWholeText(path), config);
        TariffFileName = config.TariffFileName;
        RealTimeFileName = config.RealTimeFileName;
        AutoStart = config.AutoStart;
        return ConfigDone;
    } catch (const std::exception&) {
        return ConfigFailed;
    }
}

int TLowLevel::WriteOutConfig(const std::string& tariffFileName,
                              const std::string& realTimeFileName) {
    try {
        const std::filesystem::path path = OutConfigPath(StartPath);
        // The report window's tariff table line stays as it was; an old file that
        // cannot be read (ReadWholeText throws) is not rewritten.
        const std::string remembered = std::filesystem::is_regular_file(path)
                                           ? TariffTableOf(ReadWholeText(path))
                                           : std::string();
        const std::string text = WithTariffTable(
            FormatOutConfig({tariffFileName, realTimeFileName, AutoStart}), remembered);
        return ReplaceFile(path, text) ? ConfigDone : OutConfigNotOpened;
    } catch (const std::exception&) {
        return ConfigFailed;
    }
}

int TLowLevel::SetAsideOutConfig() {
    std::error_code error;
    const std::filesystem::path path = InStartDir(StartPath, OutConfigFileName);
    if (!std::filesystem::exists(path, error)) {
        return error ? ConfigFailed : ConfigDone;
    }
    std::filesystem::path backup = path;
    backup += OutConfigBackupSuffix;
    std::filesystem::rename(path, backup, error);
    return error ? ConfigFailed : ConfigDone;
}

} // namespace tallyvox
