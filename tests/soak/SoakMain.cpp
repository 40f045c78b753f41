// The long soak: tallyvox_soak [--records N] [--seed S]. Prints the figures;
// exit status 1 when an invariant failed.

#include <cstdlib>
#include <iostream>
#include <string>

#include "tests/kit/TempDir.h"
#include "tests/soak/Soak.h"

int main(int argc, char** argv) {
    tallyvox::soak::TSoakOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (option == "--records") {
            options.Records = static_cast<int>(value);
            options.Erased = options.Records / 50;
        } else if (option == "--seed") {
            options.Seed = static_cast<std::uint32_t>(value);
        } else {
            std::cerr << "usage: tallyvox_soak [--records N] [--seed S]\n";
            return 2;
        }
    }
    tallyvox::testkit::TTempDir folder;
    const auto figures = tallyvox::soak::RunSoak(options, folder.Path());
    tallyvox::soak::PrintFigures(std::cout, figures);
    return figures.Violations.empty() ? 0 : 1;
}
