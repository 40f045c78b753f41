#include "report/DateFormat.h"

namespace tallyvox::report {

namespace {

void AppendPadded(unsigned value, std::size_t width, std::string& out) {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) {
        out.append(width - digits.size(), '0');
    }
    out += digits;
}

std::size_t RunLength(std::string_view pattern, std::size_t at) {
    std::size_t end = at;
    while (end < pattern.size() && pattern[end] == pattern[at]) {
        ++end;
    }
    return end - at;
}

// Monday 1 .. Sunday 7 of a date of the proleptic Gregorian calendar.
int DayOfWeek(const TDateTime& date) {
    static constexpr int MonthOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int year = date.Year;
    if (date.Month < 3) {
        year -= 1;
    }
    const int sundayBased =
        (year + year / 4 - year / 100 + year / 400 + MonthOffsets[date.Month - 1] + date.Day) % 7;
    return sundayBased == 0 ? 7 : sundayBased;
}

} // namespace

TDateNames DefaultDateNames() {
    return {{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
            {"January", "February", "March", "April", "May", "June", "July", "August", "September",
             "October", "November", "December"},
            {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"},
            {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}};
}

TDateFormat::TDateFormat(std::string_view pattern, TDateNames names) : Names(std::move(names)) {
    auto text = [this](std::string_view piece) {
        if (Items.empty() || Items.back().Piece != TPiece::Text) {
            Items.push_back({TPiece::Text, {}});
        }
        Items.back().Text += piece;
    };
    static constexpr TPiece DayPieces[4] = {TPiece::Day, TPiece::Day2, TPiece::DayShort,
                                            TPiece::DayLong};
    static constexpr TPiece MonthPieces[4] = {TPiece::Month, TPiece::Month2, TPiece::MonthShort,
                                              TPiece::MonthLong};
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const std::size_t run = std::min<std::size_t>(RunLength(pattern, i), 4);
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                text("'");
                i += 2;
                continue;
            }
            // Quoted text up to the closing quote; '' inside is one quote.
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        text("'");
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text(pattern.substr(i, 1));
                ++i;
            }
        } else if (c == 'd') {
            Items.push_back({DayPieces[run - 1], {}});
            i += run;
        } else if (c == 'M') {
            Items.push_back({MonthPieces[run - 1], {}});
            i += run;
        } else if (c == 'y' && run >= 2) {
            Items.push_back({run == 4 ? TPiece::Year4 : TPiece::Year2, {}});
            i += run == 4 ? 4 : 2;
        } else {
            text(pattern.substr(i, 1));
            ++i;
        }
    }
}

void TDateFormat::Append(const TDateTime& date, std::string& out) const {
    for (const TItem& item : Items) {
        switch (item.Piece) {
        case TPiece::Text:
            out += item.Text;
            break;
        case TPiece::Day:
            out += std::to_string(date.Day);
            break;
        case TPiece::Day2:
            AppendPadded(date.Day, 2, out);
            break;
        case TPiece::DayShort:
            out += Names.ShortDays[static_cast<std::size_t>(DayOfWeek(date) - 1)];
            break;
        case TPiece::DayLong:
            out += Names.LongDays[static_cast<std::size_t>(DayOfWeek(date) - 1)];
            break;
        case TPiece::Month:
            out += std::to_string(date.Month);
            break;
        case TPiece::Month2:
            AppendPadded(date.Month, 2, out);
            break;
        case TPiece::MonthShort:
            out += Names.ShortMonths[static_cast<std::size_t>(date.Month - 1)];
            break;
        case TPiece::MonthLong:
            out += Names.LongMonths[static_cast<std::size_t>(date.Month - 1)];
            break;
        case TPiece::Year2:
            AppendPadded(date.Year % 100u, 2, out);
            break;
        case TPiece::Year4:
            AppendPadded(date.Year, 4, out);
            break;
        }
    }
}

std::string TDateFormat::Format(const TDateTime& date) const {
    std::string out;
    Append(date, out);
    return out;
}

void AppendTimeText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
                    std::string& out) {
    AppendPadded(hours, 2, out);
    out += ':';
    AppendPadded(minutes, 2, out);
    out += ':';
    AppendPadded(seconds, 2, out);
}

std::string TimeText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds) {
    std::string out;
    AppendTimeText(hours, minutes, seconds, out);
    return out;
}

} // namespace tallyvox::report
