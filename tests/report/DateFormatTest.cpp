#include <gtest/gtest.h>

#include "report/DateFormat.h"

namespace tallyvox::report {
namespace {

TEST(TDateFormat, FormatsQtDatePatterns) {
    const TDateTime may7{2004, 5, 7, 12, 34, 56}; // a Friday
    const TDateTime jan1{1999, 1, 1, 0, 0, 0};    // a Friday
    struct TCase {
        std::string Pattern;
        TDateTime Date;
        std::string Expected;
    };
    const std::vector<TCase> cases{
        {"dd.MM.yyyy", may7, "07.05.2004"},
        {"M/d/yy", may7, "5/7/04"},
        {"d/M/yy", jan1, "1/1/99"},
        {"yyyy-MM-dd", jan1, "1999-01-01"},
        {"ddd, d MMM yyyy", may7, "Fri, 7 May 2004"},
        {"dddd d MMMM", jan1, "Friday 1 January"},
        {"ddddd", may7, "Friday7"},           // four letters at most, then the rest
        {"y yyy yyyyy", may7, "y 04y 2004y"}, // a lone y is text
        {"'day' dd 'o''clock' ''", may7, "day 07 o'clock '"},
        {"'d", may7, "d"}, // an open quote runs to the end
        {"hh:mm", may7, "hh:mm"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(TDateFormat(c.Pattern).Format(c.Date), c.Expected) << c.Pattern;
    }
}

TEST(TDateFormat, NamesComeFromTheCaller) {
    TDateNames names = DefaultDateNames();
    names.LongMonths[4] = "\xec\xe0\xff"; // "мая" in Windows-1251
    EXPECT_EQ(TDateFormat("d MMMM", names).Format({2004, 5, 7, 0, 0, 0}), "7 \xec\xe0\xff");
}

TEST(TimeText, TwoDigitsEach) {
    EXPECT_EQ(TimeText(9, 5, 3), "09:05:03");
    EXPECT_EQ(TimeText(100, 0, 59), "100:00:59");
}

} // namespace
} // namespace tallyvox::report
