#include "report/Types.h"

namespace tallyvox::report {

namespace {

constexpr std::uint32_t Sixty = 60;

} // namespace

TDateTime TExtStr_rep::Duration() const {
    return {1900,
            1,
            1,
            static_cast<std::uint8_t>(DurationHours),
            static_cast<std::uint8_t>(DurationMinutes),
            static_cast<std::uint8_t>(DurationSeconds)};
}

void TTraffic_rep::SetInMinutes(std::uint32_t minutes) {
    InMinutes = minutes;
    if (minutes >= Sixty) {
        InHours += minutes / Sixty;
        InMinutes = minutes % Sixty;
    }
}

void TTraffic_rep::SetInSeconds(std::uint32_t seconds) {
    InSeconds = seconds;
    if (seconds >= Sixty) {
        SetInMinutes(seconds / Sixty + InMinutes);
        InSeconds = seconds % Sixty;
    }
}

void TTraffic_rep::SetOutMinutes(std::uint32_t minutes) {
    OutMinutes = minutes;
    if (minutes >= Sixty) {
        OutHours += minutes / Sixty;
        OutMinutes = minutes % Sixty;
    }
}

void TTraffic_rep::SetOutSeconds(std::uint32_t seconds) {
    OutSeconds = seconds;
    if (seconds >= Sixty) {
        SetOutMinutes(seconds / Sixty + OutMinutes);
        OutSeconds = seconds % Sixty;
    }
}

void TTraffic_rep::AddCall(const TExtStr_rep& call) {
    const auto seconds = static_cast<std::uint32_t>(call.TotalSeconds);
    if (call.IsIncoming()) {
        InHours += call.DurationHours;
        SetInMinutes(InMinutes + call.DurationMinutes);
        SetInSeconds(InSeconds + call.DurationSeconds);
        InTotalSeconds += seconds;
    } else {
        OutHours += call.DurationHours;
        SetOutMinutes(OutMinutes + call.DurationMinutes);
        SetOutSeconds(OutSeconds + call.DurationSeconds);
        OutTotalSeconds += seconds;
    }
    TotalSeconds += seconds;
}

void TTraffic_rep::AddTraffic(const TTraffic_rep& other) {
    InHours += other.InHours;
    SetInMinutes(InMinutes + other.InMinutes);
    SetInSeconds(InSeconds + other.InSeconds);
    InTotalSeconds += other.InTotalSeconds;
    OutHours += other.OutHours;
    SetOutMinutes(OutMinutes + other.OutMinutes);
    SetOutSeconds(OutSeconds + other.OutSeconds);
    OutTotalSeconds += other.OutTotalSeconds;
    TotalSeconds += other.TotalSeconds;
}

} // namespace tallyvox::report
