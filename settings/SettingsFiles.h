#pragma once
// The two settings files of the start folder as values: the 30-byte settings
// file "Tallyvox.cfg" (the port and the header flag) and the output
// configuration "TallyvoxOut.cfg" (settings/OutConfig.h). The window and the
// collector read them here and pass the values to the exchange object.

#include <filesystem>
#include <optional>
#include <string>

#include "settings/OutConfig.h"

namespace tallyvox {

inline constexpr const char* SettingsFileName = "Tallyvox.cfg";

// What the settings file holds.
struct TPortSettings {
    std::string PortName = "COM1";
    bool SaveHeader = true;
    bool FirstRun = false; // the file was made just now with the defaults
};

// The settings file of startPath (an empty path: the current folder). A first
// run creates it with the defaults; a damaged one (not 30 bytes long) is
// deleted and read once more, which re-creates it. Nothing when it cannot be
// read, made or deleted.
std::optional<TPortSettings> ReadSettingsFile(const std::filesystem::path& startPath);

enum class TSettingsWrite { Written, NoPort, Failed };
// Stores the port and the header flag, the file replaced as a whole (bytes 2
// to 29 kept), never left half-written. NoPort for a name without a digit
// after "COM"; Failed when the file cannot be read or written.
TSettingsWrite WriteSettingsFile(const std::filesystem::path& startPath,
                                 const std::string& portName, bool saveHeader);

enum class TOutConfigRead { Read, Missing, Failed };
// Applies the output configuration onto config; config is left as it was
// unless the whole file was read. The file dialogs of the windows may move the
// current folder: this returns it to startPath first.
TOutConfigRead ReadOutConfigFile(const std::filesystem::path& startPath, TOutConfig& config);

enum class TOutConfigWrite { Written, NotReplaced, Failed };
// Rewrites the output configuration as a whole, keeping the report window's
// tariff table line. Failed when the old file cannot be read (then it is not
// rewritten, so that line is never lost); NotReplaced when the new file could
// not take the old one's place.
TOutConfigWrite WriteOutConfigFile(const std::filesystem::path& startPath,
                                   const TOutConfig& config);

// Keeps the output configuration as "TallyvoxOut.cfg.bak" (replacing an older
// one): true when set aside or none there.
bool SetAsideOutConfigFile(const std::filesystem::path& startPath);

} // namespace tallyvox
