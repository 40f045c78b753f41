#pragma once
// The alerts that call lines bring, one line after another as they reach the
// call file: the rules' evaluator, the tariffs that price the calls for it, and
// the facts of the latest calls, so that a burst that fires an earlier call
// can still tell that call.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/Alert.h"
#include "alerts/Evaluator.h"
#include "report/Load.h"
#include "report/TariffReader.h"

namespace tallyvox::alerts {

class TCallAlerts {
public:
    TCallAlerts(TRules rules, report::TTariffTable tariffs);
    TCallAlerts(const TCallAlerts&) = delete; // the reader calls back into it
    TCallAlerts& operator=(const TCallAlerts&) = delete;

    const TRules& Rules() const { return Evaluator.Rules(); }

    // The calls of the file before byte end only teach the rules which prefixes
    // were dialled when. Throws std::system_error when the file cannot be read.
    void Remember(const std::filesystem::path& callFile, std::uint64_t end);

    // A whole call line (Windows-1251, without its line end) that begins at byte
    // offset of the call file: the alerts it brings, without Id and Raised. A
    // line that is no call brings none.
    std::vector<TAlert> Add(std::string_view line, std::uint64_t offset);

private:
    void Judge(const report::TExtStr_rep& call);

    TAlertEvaluator Evaluator;
    report::TTariffTable Tariffs;
    report::TCallReader Reader;
    std::map<std::uint64_t, TAlertCall> Recent; // the latest calls, by offset
    std::uint64_t Offset = 0;                   // of the line being added
    std::vector<TAlert> Found;
};

// The rules file, and the tariff table when one is named (rules of cost need
// one). Throws std::runtime_error saying what is wrong, with every fault of a
// refused file.
std::unique_ptr<TCallAlerts> LoadCallAlerts(const std::string& rulesFile,
                                            const std::optional<std::string>& tariffs);

} // namespace tallyvox::alerts
