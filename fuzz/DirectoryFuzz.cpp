// A directory of any bytes is either refused with its faults, each on a line of
// the text, or read whole; a directory read places a call only with a row that
// holds on the call's start, and never two rows of one key on one moment.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "report/DirectoryReader.h"
#include "report/Period.h"

using tallyvox::fuzz::Require;
namespace report = tallyvox::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    report::TDirectory directory;
    try {
        directory = report::ReadDirectoryText(text);
    } catch (const report::ETableError& error) {
        Require(!error.Faults().empty(), "a refused directory names a fault");
        for (const report::TTableFault& fault : error.Faults()) {
            Require(fault.Line >= 1 && fault.Line <= size + 1, "a fault's line is in the text");
        }
        return 0;
    }
    // Each row's own key, asked for on moments spread over years.
    for (const report::TDirectoryEntry& entry : directory.Entries()) {
        Require(entry.From <= entry.To, "a row's days run forwards");
        for (std::int64_t at = 0; at < 6; ++at) {
            const std::int64_t second = 1000000000 + at * 90000000;
            const report::TDateTime when = report::DateTimeOf(second);
            const report::TDirectoryEntry* found = directory.Find(entry.Kind, entry.Key, when);
            if (found != nullptr) {
                Require(found->Kind == entry.Kind && found->Key == entry.Key,
                        "a key finds its own rows");
                Require(found->Holds(report::SecondsOf(when)), "the row found holds then");
            }
        }
    }
    directory.Departments();
    return 0;
}
