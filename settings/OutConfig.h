#pragma once
// The text of the output configuration file "TallyvoxOut.cfg": three keyed lines
// that users edit by hand to set up the automatic start. Pure text in both
// directions; settings/SettingsFiles.h does the file access.

#include <string>
#include <string_view>
#include <vector>

namespace tallyvox {

// AutoStart values of the output configuration file.
enum TAutoStart {
    AutoStartNone = 0,
    AutoStartDefault = 1,
    AutoStartContinuous = 2,
    AutoStartOnce = 3
};

inline constexpr const char* OutConfigFileName = "TallyvoxOut.cfg";

// The fields of the exchange object that the file holds.
struct TOutConfig {
    std::string TariffFileName;
    std::string RealTimeFileName;
    int AutoStart = AutoStartDefault;

    friend bool operator==(const TOutConfig&, const TOutConfig&) = default;
};

// The lines of a text whose lines end in CR LF, LF or CR; the last line may have
// no end, and a text that ends with a line end has no empty line after it.
std::vector<std::string_view> SplitLines(std::string_view text);

// Applies every line of the file text onto config, in file order. A UTF-8
// byte-order mark at the start of the text and blanks (spaces, tabs) at the start
// of a line are passed over. Each line is then tested for each key on its own: a
// line containing a key sets that field to the line from the key's length on,
// wherever the key stands in it, so keys belong at the start of their line. A line containing
// "AUTO=" sets AutoStart to none unless the value is exactly "AUTOSTART_UNINTERRUPT" (continuous)
// or "AUTOSTART_1" (once). Fields without a line keep their value; a later line wins.
void ApplyOutConfig(std::string_view fileText, TOutConfig& config);

// The file as the program writes it: CR LF after the first two lines only, and
// the last line's value empty unless AutoStart is continuous or once.
std::string FormatOutConfig(const TOutConfig& config);

// The report's tariff table is remembered in the same file as one more line,
// "TARIFFS=" and the file name, after the three keyed lines: readers that know
// only those keys pass it over, and the keyed lines keep their bytes and order.
// The name on the last "TARIFFS=" line at the start of a line; empty when none.
std::string TariffTableOf(std::string_view fileText);
// The alert rules file that the window follows is named the same way, on an
// "ALERTS=" line that the administrator adds by hand after the keyed lines.
// The name on the last "ALERTS=" line at the start of a line; empty when none.
std::string AlertRulesOf(std::string_view fileText);
// fileText with its "TARIFFS=" lines replaced by one for tariffTable at the end
// (none for an empty name); every other line keeps its bytes.
std::string WithTariffTable(std::string_view fileText, std::string_view tariffTable);
// Likewise for the "ALERTS=" line.
std::string WithAlertRules(std::string_view fileText, std::string_view rulesFile);
// The report's office directory likewise, on a "DIRECTORY=" line.
std::string DirectoryOf(std::string_view fileText);
std::string WithDirectory(std::string_view fileText, std::string_view directory);

} // namespace tallyvox
