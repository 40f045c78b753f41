#pragma once
// Reading the alert rules from the TOML file an administrator edits. The file is
// read whole: any fault refuses it, with every faulty line and what is wrong.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/Rules.h"

namespace tallyvox::alerts {

// One fault: the line of the file and what is wrong (UTF-8).
struct TRulesFault {
    std::size_t Line = 0;
    std::string What;
};

// A refused file; what() lists every fault, one a line, as "line N: what".
class ERulesError : public std::runtime_error {
public:
    explicit ERulesError(std::vector<TRulesFault> faults);
    const std::vector<TRulesFault>& Faults() const { return Faults_; }

private:
    std::vector<TRulesFault> Faults_;
};

// The rules of a text; fileName names it in messages. Throws ERulesError.
TRules ReadRulesText(std::string_view text, const std::string& fileName = {});
// The rules of a file. Throws ERulesError, or std::system_error when the file
// cannot be read.
TRules ReadRulesFile(const std::string& fileName);

} // namespace tallyvox::alerts
