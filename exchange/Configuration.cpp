// The exchange object's side of the two settings files of the start folder
// (settings/SettingsFiles.h): it takes their values and answers with its own
// result codes.

#include <optional>

#include "exchange/LowLevel.h"
#include "settings/SettingsFiles.h"

namespace tallyvox {

int TLowLevel::ReadSettings() {
    const std::optional<TPortSettings> settings = ReadSettingsFile(StartPath);
    if (!settings) {
        // A port name without its number, which no port opens under.
        PortName = "COM";
        return ConfigFailed;
    }
    UseSettings(*settings);
    return ConfigDone;
}

void TLowLevel::UseSettings(const TPortSettings& settings) {
    PortName = settings.PortName;
    SaveHeader = settings.SaveHeader;
    if (settings.FirstRun) {
        FirstRun = true;
    }
}

int TLowLevel::WriteSettings(const std::string& portName, bool saveHeader) {
    const TSettingsWrite written = WriteSettingsFile(StartPath, portName, saveHeader);
    if (written == TSettingsWrite::NoPort) {
        return ConfigFailed;
    }
    // The choice holds for this run even when the file cannot take it: the
    // options dialog has already switched the port, and the result says that
    // the next start will not know it.
    PortName = portName;
    SaveHeader = saveHeader;
    return written == TSettingsWrite::Written ? ConfigDone : ConfigFailed;
}

int TLowLevel::ReadOutConfig() {
    TOutConfig config{TariffFileName, RealTimeFileName, AutoStart};
    switch (ReadOutConfigFile(StartPath, config)) {
    case TOutConfigRead::Read:
        TariffFileName = config.TariffFileName;
        RealTimeFileName = config.RealTimeFileName;
        AutoStart = config.AutoStart;
        return ConfigDone;
    case TOutConfigRead::Missing:
        TariffFileName.clear();
        return OutConfigMissing;
    case TOutConfigRead::Failed:
        break;
    }
    return ConfigFailed;
}

int TLowLevel::WriteOutConfig(const std::string& tariffFileName,
                              const std::string& realTimeFileName) {
    switch (WriteOutConfigFile(StartPath, {tariffFileName, realTimeFileName, AutoStart})) {
    case TOutConfigWrite::Written:
        return ConfigDone;
    case TOutConfigWrite::NotReplaced:
        return OutConfigNotOpened;
    case TOutConfigWrite::Failed:
        break;
    }
    return ConfigFailed;
}

int TLowLevel::SetAsideOutConfig() {
    return SetAsideOutConfigFile(StartPath) ? ConfigDone : ConfigFailed;
}

} // namespace tallyvox
