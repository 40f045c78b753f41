#include "cli/Options.h"

namespace tallyvox::cli {

TOptionTable::TOptionTable(bool& help) {
    Flag("--help", [&help] { help = true; });
    Flag("-h", [&help] { help = true; });
}

TOptionTable& TOptionTable::Flag(std::string name, TFlag set) {
    Options.push_back({std::move(name), std::move(set), nullptr});
    return *this;
}

TOptionTable& TOptionTable::Value(std::string name, TValue take) {
    Options.push_back({std::move(name), nullptr, std::move(take)});
    return *this;
}

TOptionTable& TOptionTable::Operands(std::function<void(const std::string&)> take) {
    TakeOperand = std::move(take);
    return *this;
}

const TOptionTable::TOption* TOptionTable::Find(const std::string& name) const {
    for (const TOption& option : Options) {
        if (option.Name == name) {
            return &option;
        }
    }
    return nullptr;
}

void TOptionTable::Walk(const std::vector<std::string>& arguments) const {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const TOption* option = Find(argument);
        if (!option) {
            const bool looksLikeOption = argument.size() > 1 && argument.front() == '-';
            if (!TakeOperand || looksLikeOption) {
                throw EUsageError("unknown option \"" + argument + "\"");
            }
            TakeOperand(argument);
        } else if (option->Set) {
            option->Set();
        } else {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                throw EUsageError(argument + ": a value must follow");
            }
            option->Take(argument, arguments[++i]);
        }
    }
}

TOptionTable::TValue Into(std::string& target) {
    return [&target](const std::string&, const std::string& value) { target = value; };
}

TOptionTable::TValue Into(std::optional<std::string>& target) {
    return [&target](const std::string&, const std::string& value) { target = value; };
}

void ShowUsageError(std::string_view program, const EUsageError& error, const std::string& usage) {
    std::cerr << program << ": " << error.what() << "\n" << usage;
}

} // namespace tallyvox::cli
