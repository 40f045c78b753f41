#pragma once
// The one way the programs read their options: each program lists its options
// in a table, one line an option, and the table walks the arguments in their
// order. A mistake is a usage error, which every program shows with its usage
// and ends with status 2.

#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvox::cli {

// A mistake in the options, or in what they name.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int ExitUsage = 2;

class TOptionTable {
public:
    using TFlag = std::function<void()>;
    // Takes the option's name (for its messages) and the text that follows it,
    // which is never empty.
    using TValue = std::function<void(const std::string& option, const std::string& value)>;

    // --help and -h set help.
    explicit TOptionTable(bool& help);

    TOptionTable& Flag(std::string name, TFlag set);
    TOptionTable& Value(std::string name, TValue take);
    // Arguments that are not options. Without this, every argument is taken
    // for an option; with it, "-" is an operand too.
    TOptionTable& Operands(std::function<void(const std::string&)> take);

    // Gives each argument to its option, in order; EUsageError for an unknown
    // option or one whose value is missing or empty.
    void Walk(const std::vector<std::string>& arguments) const;

private:
    struct TOption {
        std::string Name;
        TFlag Set;   // for a flag
        TValue Take; // for an option with a value
    };
    const TOption* Find(const std::string& name) const;

    std::vector<TOption> Options;
    std::function<void(const std::string&)> TakeOperand;
};

// A value option that stores its text: Value("--port", Into(options.Port)).
TOptionTable::TValue Into(std::string& target);
TOptionTable::TValue Into(std::optional<std::string>& target);

// Prints a usage error as "program: reason" and the usage on standard error.
void ShowUsageError(std::string_view program, const EUsageError& error, const std::string& usage);

// The start of a program's main: reads the options with parse into options.
// The exit status when the program ends here (0 after --help, which prints the
// usage on standard output; ExitUsage after a mistake), none when it goes on.
template <class TOptions>
std::optional<int> ReadOptions(std::string_view program, int argc, char** argv,
                               TOptions (*parse)(const std::vector<std::string>&),
                               std::string (*usage)(), TOptions& options) {
    try {
        options = parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsageError& error) {
        ShowUsageError(program, error, usage());
        return ExitUsage;
    }
    if (options.Help) {
        std::cout << usage();
        return 0;
    }
    return std::nullopt;
}

} // namespace tallyvox::cli
