#pragma once
// One alert: a rule that a call fired, with what a person needs to judge the
// call without opening the call file. Texts are UTF-8.

#include <cstdint>
#include <string>

#include "alerts/Rules.h"

namespace tallyvox::alerts {

struct TAlertCall {
    std::string Date;     // "2026-12-11"
    std::string Time;     // "02:11:05", the start
    std::string Line;     // the hardware line, blanks trimmed
    std::string Program;  // its program number; may be empty
    std::string Trunk;    // may be empty
    std::string Number;   // dialled; empty for an incoming call
    std::string Duration; // "00:05:12"
    std::string Cost;     // "123.45"; empty when the call is not priced
    std::string Text;     // its line as it stands in the call file

    friend bool operator==(const TAlertCall&, const TAlertCall&) = default;
};

struct TAlert {
    std::uint64_t Id = 0;    // its number in the alert journal, from 1
    std::int64_t Raised = 0; // when it was journalled, in seconds since 1970
    std::string Rule;
    TLevel Level = TLevel::Warning;
    std::uint64_t At = 0; // the call's line's first byte in the call file
    TAlertCall Call;

    // Tells the same rule fired by the same call apart from every other alert,
    // so that a call evaluated again (after a crash before the mark moved) is
    // not alerted twice.
    std::string Key() const;
};

const char* LevelWord(TLevel level);

} // namespace tallyvox::alerts
