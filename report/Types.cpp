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

namespace {

// Minutes past an hour carry into hours; the setters' normalising rule.
void CarryMinutes(std::uint32_t& hours, std::uint32_t& minutesField, std::uint32_t minutes) {
    minutesField = minutes;
    if (minutes >= Sixty) {
        hours += minutes / Sixty;
        minutesField = minutes % Sixty;
    }
}

// Seconds past a minute carry into the minutes, and on into hours.
void CarrySeconds(std::uint32_t& hours, std::uint32_t& minutesField, std::uint32_t& secondsField,
                  std::uint32_t seconds) {
    secondsField = seconds;
    if (seconds >= Sixty) {
        CarryMinutes(hours, minutesField, seconds / Sixty + minutesField);
        secondsField = seconds % Sixty;
    }
}

} // namespace

void TTraffic_rep::SetInMinutes(std::uint32_t minutes) {
    CarryMinutes(InHours, InMinutes, minutes);
}

void TTraffic_rep::SetInSeconds(std::uint32_t seconds) {
    CarrySeconds(InHours, InMinutes, InSeconds, seconds);
}

void TTraffic_rep::SetOutMinutes(std::uint32_t minutes) {
    CarryMinutes(OutHours, OutMinutes, minutes);
}

void TTraffic_rep::SetOutSeconds(std::uint32_t seconds) {
    CarrySeconds(OutHours, OutMinutes, OutSeconds, seconds);
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
