#pragma once
// A call line as one row of the store.

#include <optional>
#include <string>
#include <string_view>

namespace tallyvox::store {

struct TStoredCall {
    std::string Start; // "YYYY-MM-DD hh:mm:ss", the exchange's local time
    int DurationSeconds = 0;
    // The texts in UTF-8, the store's encoding.
    std::string HardwareLine; // the three columns, blanks kept, as the report reads them
    std::string ProgramNumber;
    std::string Trunk;
    std::string DialledNumber;
    bool DateSuspicious = false; // the writer's "*" separators
    bool StartSuspicious = false;
    bool DurationSuspicious = false;
    std::string_view RawLine; // the line's bytes without the line end
};

// A text of the program (Windows-1251) as a text of the store (UTF-8).
std::string StoreText(std::string_view cp1251);

// The row of a line that the report would take as a call; nothing for header
// lines and lines the report leaves out.
std::optional<TStoredCall> StoredCallOf(std::string_view line);

} // namespace tallyvox::store
