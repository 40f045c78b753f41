#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include "callfile/Header.h"
#include "exchange/LowLevel.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/TempDir.h"
#include "text/Cp1251.h"

namespace tallyvox::callfile {
namespace {

using testkit::At;

std::string Cp1251(const char* utf8) {
    return text::Utf8ToCp1251(utf8);
}

TEST(Header, DateLineShowsTheExchangeClockWithATrailingBlank) {
    EXPECT_EQ(HeaderDateLine(At(2004, 5, 7, 9, 5, 3)),
              Cp1251("       Данные на  07-05-2004 09:05:03 "));
    EXPECT_EQ(HeaderDateLine(At(2016, 12, 31, 23, 59, 59)),
              Cp1251("       Данные на  31-12-2016 23:59:59 "));
}

TEST(Header, TitleLineHasItsFiveTitlesAtFixedColumns) {
    const std::string title = HeaderTitleLine();
    EXPECT_EQ(title, Cp1251("       Начало         Продолжит   Абонент      СЛ     Номер"));
    EXPECT_EQ(title.size(), 59u);
    EXPECT_EQ(title.find(Cp1251("Начало")), 7u);
    EXPECT_EQ(title.find(Cp1251("Продолжит")), 22u);
    EXPECT_EQ(title.find(Cp1251("Абонент")), 34u);
    EXPECT_EQ(title.find(Cp1251("СЛ")), 47u);
    EXPECT_EQ(title.find(Cp1251("Номер")), 54u);
}

TEST(Header, BuildHeaderFillsBothLinesOfTheExchangeObject) {
    testkit::TTempDir folder;
    testkit::TCurrentDir inFolder(folder.Path());
    TLowLevel lowLevel(boost::make_shared<TScaledClock>(1.0),
                       boost::make_shared<testkit::TRecordingNotifier>());
    TStatus status;
    status.ExchangeClock = At(2004, 5, 7, 9, 5, 3);
    BuildHeader(lowLevel, status);
    EXPECT_EQ(lowLevel.HeaderDateLine, Cp1251("       Данные на  07-05-2004 09:05:03 "));
    EXPECT_EQ(lowLevel.HeaderTitleLine, HeaderTitleLine());
}

} // namespace
} // namespace tallyvox::callfile
