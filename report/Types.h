#pragma once
// The report's records: one parsed call, and the traffic totals of one subscriber
// line (АЛ) or one trunk (СЛ). Texts are Windows-1251 bytes.

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyvox::report {

// A calendar date and time of day, to the second.
struct TDateTime {
    std::uint16_t Year = 0;
    std::uint8_t Month = 0;
    std::uint8_t Day = 0;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;

    friend bool operator==(const TDateTime&, const TDateTime&) = default;
};

// One call as read from a line of a call-accounting file. The texts are views
// into the text store of the TCallList that holds the call: a call copied out of
// its list is valid only as long as that list is neither cleared nor destroyed.
struct TExtStr_rep {
    TDateTime Start;
    std::uint16_t DurationHours = 0;   // 0..23
    std::uint16_t DurationMinutes = 0; // 0..59
    std::uint16_t DurationSeconds = 0; // 0..59
    std::int32_t TotalSeconds = 0;
    std::string_view HardwareLine;  // exactly the three columns of its place, blanks kept
    std::string_view ProgramNumber; // blanks removed; may be empty
    std::string_view Trunk;         // may be empty
    std::string_view DialledNumber; // blanks removed; empty for an incoming call

    // The duration as a date-time: 1 January 1900 plus the duration as time of day.
    TDateTime Duration() const;
    // A call without a dialled number is incoming, every other call outgoing.
    bool IsIncoming() const { return DialledNumber.empty(); }
};

// The nine traffic counters that a line and a trunk total alike. The setters
// carry seconds into minutes and minutes into hours; callers pass the current
// value plus the amount to add. The second counts are what the sorts compare.
struct TTraffic_rep {
    std::uint32_t InHours = 0;
    std::uint32_t InMinutes = 0; // 0..59 after every setter call
    std::uint32_t InSeconds = 0; // 0..59 after every setter call
    std::uint32_t OutHours = 0;
    std::uint32_t OutMinutes = 0;
    std::uint32_t OutSeconds = 0;
    std::uint32_t TotalSeconds = 0;
    std::uint32_t InTotalSeconds = 0;
    std::uint32_t OutTotalSeconds = 0;

    void SetInMinutes(std::uint32_t minutes);
    void SetInSeconds(std::uint32_t seconds);
    void SetOutMinutes(std::uint32_t minutes);
    void SetOutSeconds(std::uint32_t seconds);
    // Adds one call's duration to the incoming or outgoing counters and the total.
    void AddCall(const TExtStr_rep& call);
    // Adds the counters of other, carrying as the setters do: the result is the
    // same as had other's calls been added here one by one.
    void AddTraffic(const TTraffic_rep& other);

    friend bool operator==(const TTraffic_rep&, const TTraffic_rep&) = default;
};

// Totals of one subscriber line, keyed by its hardware number.
struct TAL_rep : TTraffic_rep {
    std::string HardwareLine;
    std::string ProgramNumber; // of the line's first call
};

// Totals of one trunk, keyed by its trunk text (which may be empty).
struct TSL_rep : TTraffic_rep {
    std::string Trunk;
};

} // namespace tallyvox::report
