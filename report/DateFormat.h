#pragma once
// Dates in texts, by a date pattern in Qt's letters: d, dd, ddd, dddd (day of
// the month, two digits, short and long day name), M, MM, MMM, MMMM (month),
// yy, yyyy (year); text in single quotes is kept as it stands, '' is one quote;
// every other character is itself. The window passes the user's short date format.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "report/Types.h"

namespace tallyvox::report {

// Month and day names (Windows-1251); Monday is the first day.
struct TDateNames {
    std::array<std::string, 12> ShortMonths;
    std::array<std::string, 12> LongMonths;
    std::array<std::string, 7> ShortDays;
    std::array<std::string, 7> LongDays;
};

// The English names of the C locale.
TDateNames DefaultDateNames();

class TDateFormat {
public:
    // pattern in Windows-1251. The pattern is read once, here.
    explicit TDateFormat(std::string_view pattern, TDateNames names = DefaultDateNames());

    void Append(const TDateTime& date, std::string& out) const;
    std::string Format(const TDateTime& date) const;

private:
    enum class TPiece {
        Text,
        Day,
        Day2,
        DayShort,
        DayLong,
        Month,
        Month2,
        MonthShort,
        MonthLong,
        Year2,
        Year4
    };
    struct TItem {
        TPiece Piece;
        std::string Text;
    };
    std::vector<TItem> Items;
    TDateNames Names;
};

// "hh:mm:ss", two digits each, 24-hour.
std::string TimeText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds);
void AppendTimeText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
                    std::string& out);

} // namespace tallyvox::report
