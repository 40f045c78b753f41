#pragma once
// Call lines judged by the rules as they are appended to the call file: each
// line is read as the report reads the file, priced when a tariff table is
// given, and every firing comes back with the line of the call it names (a
// burst may name calls that came before).

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alerts/Evaluator.h"
#include "report/Load.h"
#include "report/Tariff.h"

namespace tallyvox::alerts {

struct TLineFiring {
    std::size_t Rule = 0; // index into the rules
    std::string Line;     // the call's line as in the file, UTF-8
};

class TLineJudge {
public:
    // tariffs: empty when not priced (rules of cost then see calls of no cost).
    TLineJudge(TRules rules, report::TTariffTable tariffs);

    const TRules& Rules() const { return Evaluator.Rules(); }
    // The calls already in a call file (a missing file has none) only teach the
    // rules which prefixes were dialled when. Throws std::system_error when the
    // file cannot be read.
    void Remember(const std::filesystem::path& callFile);
    // The next line appended (Windows-1251, without its line end); header lines
    // and other lines that are not calls fire nothing.
    std::vector<TLineFiring> Judge(const std::string& line);

private:
    void Add(const report::TExtStr_rep& call);
    std::string LineOf(std::uint64_t number) const;

    TAlertEvaluator Evaluator;
    report::TTariffTable Tariffs;
    report::TCallReader Reader;
    std::array<std::string, 1024> Lines; // the latest calls' lines, by number
    std::uint64_t Number = 0;
    std::vector<TLineFiring> Fired; // of the line being judged
};

// The judge of a rules file, with the tariff table that its rules of cost need
// (tariffSource names where a table is given, for the message when none is).
// Throws std::runtime_error saying what is wrong.
std::unique_ptr<TLineJudge> LoadLineJudge(const std::string& rulesFile,
                                          const std::optional<std::string>& tariffFile,
                                          const std::string& tariffSource);

} // namespace tallyvox::alerts
