#include "report/Coverage.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <fstream>

#include "model/FilePath.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysOf(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

std::string Stamp(const TCalendarTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
    return text;
}

std::string Duration(std::int64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

bool Before(const TCalendarTime& a, const TCalendarTime& b) {
    return SecondsOf(a) < SecondsOf(b);
}

TCoverageSpan SpanOf(const callfile::TCoverageEntry& entry) {
    TCoverageSpan span;
    span.From = entry.Time;
    span.Reading = entry.Event == callfile::TCoverageEvent::Reading;
    span.Serial = entry.Serial;
    span.Model = entry.Model;
    span.Fill = entry.Fill;
    span.Capacity = entry.Capacity;
    span.Reason = entry.Reason;
    span.Detail = entry.Detail;
    return span;
}

bool NumberOf(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::int64_t SecondsOf(const TCalendarTime& time) {
    return DaysOf(time.Year, time.Month, time.Day) * 86400 + time.Hour * 3600 + time.Minute * 60 +
           time.Second;
}

std::vector<TCoverageSpan> CoverageSpans(const std::vector<callfile::TCoverageEntry>& entries) {
    std::vector<TCoverageSpan> spans;
    for (const callfile::TCoverageEntry& entry : entries) {
        if (!spans.empty()) {
            TCoverageSpan& last = spans.back();
            last.To = entry.Time;
            if (last.Reading) {
                // A reading entry right after another: the collector ended
                // without its gap entry, its calls untold.
                last.Records = entry.Event == callfile::TCoverageEvent::Gap ? entry.Records : -1;
            }
        }
        spans.push_back(SpanOf(entry));
    }
    MarkPauses(spans);
    return spans;
}

void MarkPauses(std::vector<TCoverageSpan>& spans) {
    const TCoverageSpan* nextReading = nullptr;
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        if (span->Reading) {
            nextReading = &*span;
        } else {
            span->Pause = span->Reason == callfile::GapStopped && nextReading != nullptr &&
                          nextReading->Capacity > 0 && nextReading->Fill < nextReading->Capacity;
        }
    }
}

std::vector<callfile::TCoverageEntry> LoadCoverageJournal(const std::string& journalName,
                                                          bool* readable) {
    std::vector<callfile::TCoverageEntry> entries;
    try {
        std::ifstream file(FilePathOfText(journalName), std::ios::binary);
        if (readable != nullptr) {
            *readable = static_cast<bool>(file);
        }
        for (std::string line; std::getline(file, line);) {
            if (std::optional<callfile::TCoverageEntry> entry =
                    callfile::ParseCoverageEntry(line)) {
                entries.push_back(std::move(*entry));
            }
        }
    } catch (const std::exception&) {
        if (readable != nullptr) {
            *readable = false;
        }
    }
    return entries;
}

std::vector<TCoverageSpan> SpansWithin(const std::vector<TCoverageSpan>& spans,
                                       const std::optional<TCalendarTime>& from,
                                       const std::optional<TCalendarTime>& to) {
    std::vector<TCoverageSpan> within;
    for (TCoverageSpan span : spans) {
        if ((to && Before(*to, span.From)) || (from && span.To && Before(*span.To, *from))) {
            continue;
        }
        if (from && Before(span.From, *from)) {
            span.From = *from;
        }
        if (to && (!span.To || Before(*to, *span.To))) {
            span.To = *to;
        }
        within.push_back(std::move(span));
    }
    return within;
}

std::optional<TCalendarTime> CalendarBound(const std::optional<TDateTime>& time) {
    if (!time) {
        return std::nullopt;
    }
    return TCalendarTime{time->Year, time->Month,  time->Day,
                         time->Hour, time->Minute, time->Second};
}

std::size_t GapCount(const std::vector<TCoverageSpan>& spans) {
    return static_cast<std::size_t>(std::count_if(
        spans.begin(), spans.end(), [](const TCoverageSpan& s) { return !s.Reading && !s.Pause; }));
}

std::optional<TCalendarTime> ParsePeriodTime(std::string_view text, bool endOfDay) {
    TCalendarTime time;
    const bool dateOnly = text.size() == 10;
    if ((!dateOnly && text.size() != 16 && text.size() != 19) || text[4] != '-' || text[7] != '-' ||
        !NumberOf(text.substr(0, 4), time.Year) || !NumberOf(text.substr(5, 2), time.Month) ||
        !NumberOf(text.substr(8, 2), time.Day)) {
        return std::nullopt;
    }
    if (dateOnly) {
        if (endOfDay) {
            time.Hour = 23;
            time.Minute = 59;
            time.Second = 59;
        }
    } else if (text[10] != ' ' || text[13] != ':' || !NumberOf(text.substr(11, 2), time.Hour) ||
               !NumberOf(text.substr(14, 2), time.Minute) ||
               (text.size() == 19 &&
                (text[16] != ':' || !NumberOf(text.substr(17, 2), time.Second)))) {
        return std::nullopt;
    }
    const bool valid = time.Month >= 1 && time.Month <= 12 && time.Day >= 1 && time.Day <= 31 &&
                       time.Hour <= 23 && time.Minute <= 59 && time.Second <= 59;
    return valid ? std::optional(time) : std::nullopt;
}

std::vector<std::string> CoverageLines(const std::vector<TCoverageSpan>& spans) {
    std::vector<std::string> lines;
    for (const TCoverageSpan& span : spans) {
        std::string line = Stamp(span.From) + " .. " +
                           (span.To ? Stamp(*span.To) : std::string("(open)             ")) + "  ";
        const std::string length = span.To ? Duration(SecondsOf(*span.To) - SecondsOf(span.From))
                                           : std::string("--:--:--");
        if (span.Reading) {
            line += "reading  " + length + "  " + text::Cp1251ToUtf8(span.Model) + " serial " +
                    span.Serial + ", " +
                    (span.Records < 0 ? std::string("calls untold")
                                      : std::to_string(span.Records) + " calls") +
                    ", buffer " + std::to_string(span.Fill) + " of " +
                    std::to_string(span.Capacity);
            if (callfile::BufferNearlyFull(span.Fill, span.Capacity)) {
                line += " (over " + std::to_string(callfile::BufferWarningPercent) + "%)";
            }
        } else if (span.Pause) {
            line += "pause " + span.Reason + "  " + length + "  (the exchange kept its calls)";
        } else {
            line += "GAP " + span.Reason + "  " + length;
            if (!span.Detail.empty()) {
                line += "  (" + text::Cp1251ToUtf8(span.Detail) + ")";
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace tallyvox::report
